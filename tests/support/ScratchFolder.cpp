#include "tests/support/ScratchFolder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

ScratchFolder::ScratchFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/marrowkit-";
  pattern.append(6, 'X');  // mkdtemp's placeholder
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a folder under " + pattern);
  m_root = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(m_root, ignored);
}
