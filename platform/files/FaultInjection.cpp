#include "platform/files/FaultInjection.h"

#include <cassert>

#include "platform/files/FaultState.h"
#include "platform/files/PowerState.h"

namespace platform {

namespace detail {

FaultState& Faults() {
  static FaultState state;
  return state;
}

uint64_t WatchGeneration() { return Faults().armed ? Faults().generation : 0; }

static bool Watched(uint64_t generation) {
  return generation != 0 && Faults().armed && generation == Faults().generation;
}

WriteFault NextWriteFault(uint64_t generation) {
  if (!Watched(generation)) return WriteFault::None;
  FaultState& state = Faults();
  ++state.writeCount;
  if (state.failFrom <= 0 || state.writeCount < state.failFrom) return WriteFault::None;
  return state.writeCount == state.failFrom ? WriteFault::HalfWritten : WriteFault::NothingWritten;
}

bool SyncMustFail(uint64_t generation) {
  if (!Watched(generation)) return false;
  FaultState& state = Faults();
  return ++state.syncCount == state.failSyncAt || state.failSync;
}

bool TruncateMustFail(uint64_t generation) { return Watched(generation) && Faults().failTruncate; }

bool SyncReachesTheDisk() { return !Faults().armed; }

bool RenameMustFail() {
  FaultState& state = Faults();
  return state.armed && ++state.renameCount == state.failRename;
}

}  // namespace detail

FaultInjection::FaultInjection() {
  detail::FaultState& state = detail::Faults();
  assert(!state.armed && "only one FaultInjection may be armed");
  const uint64_t next = state.generation + 1;
  state = detail::FaultState{};
  state.generation = next;
  state.armed = true;
}

FaultInjection::~FaultInjection() {
  detail::StopPowerModel();
  detail::FaultState& state = detail::Faults();
  const uint64_t generation = state.generation;
  state = detail::FaultState{};
  state.generation = generation;
}

void FaultInjection::FailWritesFrom(int n) { detail::Faults().failFrom = n; }
void FaultInjection::FailSync(bool fail) { detail::Faults().failSync = fail; }
void FaultInjection::FailSyncAt(int n) { detail::Faults().failSyncAt = detail::Faults().syncCount + n; }
void FaultInjection::FailRename(int n) {
  detail::Faults().failRename = detail::Faults().renameCount + n;
}
void FaultInjection::FailTruncate(bool fail) { detail::Faults().failTruncate = fail; }
int FaultInjection::WriteCount() const { return detail::Faults().writeCount; }
void FaultInjection::CutPowerAt(int n, UnsyncedData unsynced) {
  detail::StartPowerModel(n, unsynced == UnsyncedData::Zeroed);
}
bool FaultInjection::PowerWasCut() const { return detail::PowerWasCut(); }
void FaultInjection::BeforeStep(int n, std::function<void()> action) { detail::RunBeforeStep(n, std::move(action)); }
bool FaultInjection::StepActionRan() const { return detail::StepActionRan(); }

}  // namespace platform
