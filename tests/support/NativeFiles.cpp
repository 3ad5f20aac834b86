#include "tests/support/NativeFiles.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

std::string ReadNativeFile(const std::string& nativePath) {
  std::ifstream in(nativePath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteNativeFile(const std::string& nativePath, const std::string& bytes) {
  std::ofstream file(nativePath, std::ios::binary | std::ios::trunc);
  if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
    throw std::runtime_error("cannot write " + nativePath);
}
