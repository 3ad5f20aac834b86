#include "tests/support/NativeFiles.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

// Read through the stream buffer whole: a character at a time takes seconds
// for the drawers of the store's tests in the unoptimised sanitizer build.
std::string ReadNativeFile(const std::string& nativePath) {
  std::ifstream in(nativePath, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return std::move(bytes).str();
}

void WriteNativeFile(const std::string& nativePath, const std::string& bytes) {
  std::ofstream file(nativePath, std::ios::binary | std::ios::trunc);
  if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
    throw std::runtime_error("cannot write " + nativePath);
}
