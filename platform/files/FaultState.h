#pragma once
// The shared state behind FaultInjection, read by the streams.

#include <cstdint>

namespace platform::detail {

struct FaultState {
  uint64_t generation = 0;  // bumped at every arming; 0 on a stream means unwatched
  bool armed = false;
  int failFrom = 0;  // 0: no write fails
  bool failSync = false;
  int failSyncAt = 0;  // 0: no single sync fails
  int syncCount = 0;
  int writeCount = 0;
  int failRename = 0;  // 0: no rename fails
  int renameCount = 0;
  bool failTruncate = false;
};

FaultState& Faults();

// The generation a stream opened now belongs to (0 when nothing is armed).
uint64_t WatchGeneration();
enum class WriteFault { None, HalfWritten, NothingWritten };

// Counts a write of a watched stream and says how it must fail: the first
// failing write puts half its bytes through, later ones nothing.
WriteFault NextWriteFault(uint64_t generation);
bool SyncMustFail(uint64_t generation);
bool TruncateMustFail(uint64_t generation);
// Counts a rename while armed; true for the one that must fail.
bool RenameMustFail();
// While a FaultInjection is armed its model, not the disk, decides what a
// power cut keeps: an fsync would only cost the tests time.
bool SyncReachesTheDisk();

}  // namespace platform::detail
