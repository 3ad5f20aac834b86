#pragma once
// While one lives, this thread's file accesses are checked against the files'
// permission bits even when the tests run as root (CAP_DAC_OVERRIDE and
// CAP_DAC_READ_SEARCH lowered), so that a file with mode 000 really cannot
// be read. Restores them on destruction.

class NoAccessOverride {
 public:
  NoAccessOverride();
  ~NoAccessOverride();
  NoAccessOverride(const NoAccessOverride&) = delete;
  NoAccessOverride& operator=(const NoAccessOverride&) = delete;
};
