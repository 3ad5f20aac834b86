#pragma once
// Inside platform/files: the power-cut model of FaultInjection::CutPowerAt.
// Every function is a no-op costing one flag test while no model runs.
//
// The model follows what a disk keeps across a power cut: the data of a file
// as of its last fsync, and a folder's names as of the folder's last fsync.
// The file operations that change either report here first; the nth of them
// and every later one must fail (PowerStep false) once the power is cut.

#include <functional>
#include <string>

namespace platform::detail {

// Starts the model unless it runs; the power is cut at the cutAt-th step from
// now. zeroedData: see FaultInjection::UnsyncedData::Zeroed.
void StartPowerModel(int cutAt, bool zeroedData);
// Ends the model; when the power was cut, every file seen changed is first
// put back as the disk last held it durably.
void StopPowerModel();
bool PowerWasCut();

// Counts one file operation; false when the power is off and it must fail.
// Runs the action of RunBeforeStep first when this is its step.
[[nodiscard]] bool PowerStep();
// The action runs once, right before the nth file operation from now that
// PowerStep counts, whether or not the power model runs; cleared by
// StopPowerModel.
void RunBeforeStep(int n, std::function<void()> action);
bool StepActionRan();
// Before a name changes (created, truncated by an open, renamed, removed):
// remembers which file the disk holds durably under it.
void RememberName(const std::string& nativePath);
// Before the data of an open file changes: remembers what it durably holds.
void RememberData(int fd);
// After a file was made anew: it holds nothing durably (its inode may be one
// that a removed file had).
void FileCreated(int fd);
// After an fsync of an open file, and of a folder.
void DataSynced(int fd);
void FolderSynced(const std::string& nativeFolder);

}  // namespace platform::detail
