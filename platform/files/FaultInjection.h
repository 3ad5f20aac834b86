#pragma once
// Fault injection for tests, in the manner of LevelDB's EnvWrapper: while a
// FaultInjection object lives, the streams opened after it was made count
// their Write calls and can be told to fail, as a full disk would, and
// renames can be told to fail. Only one
// may be armed at a time; destroying it disarms and resets everything.

#include <functional>

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
  // The nth Sync call (1-based) on the watched streams from now on fails, as
  // an I/O error would; the calls before and after it work.
  void FailSyncAt(int n);
  // The nth RenameFile call (1-based) from now on fails and renames nothing,
  // as an I/O error would; the calls before and after it work.
  void FailRename(int n);
  // Makes Truncate on the watched streams fail and leave the file as it was.
  void FailTruncate(bool fail = true);
  // Write calls seen so far on the watched streams.
  int WriteCount() const;

  // A power cut, as LevelDB's FaultInjectionTestEnv makes one. From now on
  // every file operation that changes the disk (a write, truncate or sync of
  // a stream, an open that may create or truncate, a rename, a removal, a
  // folder sync) counts one step; the nth step from this call on and every
  // later one fail as on a machine whose power is gone. When this object is destroyed after
  // the cut, every file seen changed is put back as the disk last held it
  // durably: its data as of its last sync, its name as of its folder's last
  // sync. Files never touched stay as they are.
  // Zeroed: as POSIX also allows, a file keeps the length it reached while
  // the bytes no sync made durable read as zeros.
  enum class UnsyncedData { Dropped, Zeroed };
  void CutPowerAt(int n, UnsyncedData unsynced = UnsyncedData::Dropped);
  bool PowerWasCut() const;

  // Another program acting between two of ours: action runs once, right
  // before the nth file operation from now that changes the disk (counted
  // as CutPowerAt counts them). It must change files without this layer.
  void BeforeStep(int n, std::function<void()> action);
  // The action ran: the call reached its nth step.
  bool StepActionRan() const;
};

}  // namespace platform
