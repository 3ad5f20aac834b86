#include "tests/support/NativeFiles.h"

#include <fstream>
#include <iterator>

std::string ReadNativeFile(const std::string& nativePath) {
  std::ifstream in(nativePath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteNativeFile(const std::string& nativePath, const std::string& bytes) {
  std::ofstream(nativePath, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}
