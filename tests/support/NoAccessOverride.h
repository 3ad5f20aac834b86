#pragma once
// While one lives, this thread's file accesses are checked against the files'
// permission bits even when the tests run as root (CAP_DAC_OVERRIDE and
// CAP_DAC_READ_SEARCH lowered), so that a file with mode 000 really cannot
// be read. Restores them on destruction.

#include <string>

class NoAccessOverride {
 public:
  NoAccessOverride();
  ~NoAccessOverride();
  NoAccessOverride(const NoAccessOverride&) = delete;
  NoAccessOverride& operator=(const NoAccessOverride&) = delete;
};

// While one lives, the file at nativePath has mode 000 and the access
// override is lowered: whoever runs the tests, root or not, cannot read it.
// Its mode comes back on destruction, so that the test can read it again.
class UnreadableFile {
 public:
  explicit UnreadableFile(std::string nativePath);
  ~UnreadableFile();
  UnreadableFile(const UnreadableFile&) = delete;
  UnreadableFile& operator=(const UnreadableFile&) = delete;

 private:
  std::string m_path;
  unsigned m_mode = 0;
  NoAccessOverride m_noOverride;
};
