#pragma once
// Fault injection for tests, in the manner of LevelDB's EnvWrapper: while a
// FaultInjection object lives, the streams opened after it was made count
// their Write calls and can be told to fail, as a full disk would, and
// renames can be told to fail. Only one
// may be armed at a time; destroying it disarms and resets everything.

namespace platform {

class FaultInjection {
 public:
  FaultInjection();
  ~FaultInjection();
  FaultInjection(const FaultInjection&) = delete;
  FaultInjection& operator=(const FaultInjection&) = delete;

  // The nth Write call (1-based) and every later one fail, as on a disk that
  // stays full. The nth call still puts the first half of its bytes through,
  // so callers must cope with a partly written tail; later calls write nothing.
  void FailWritesFrom(int n);
  // Makes Sync (and so ReplaceFileContents) report failure.
  void FailSync(bool fail = true);
  // The nth RenameFile call (1-based) from now on fails and renames nothing,
  // as an I/O error would; the calls before and after it work.
  void FailRename(int n);
  // Makes Truncate on the watched streams fail and leave the file as it was.
  void FailTruncate(bool fail = true);
  // Write calls seen so far on the watched streams.
  int WriteCount() const;
};

}  // namespace platform
