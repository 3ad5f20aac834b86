#include "platform/files/PowerState.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <map>
#include <optional>

namespace platform::detail {

namespace {

struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  auto operator<=>(const FileId&) const = default;
};

struct PowerModel {
  bool running = false;
  bool zeroedData = false;
  int cutAt = 0;
  int steps = 0;
  bool cut = false;
  std::map<FileId, std::string> durableData;
  std::map<std::string, std::optional<FileId>> durableNames;  // native path -> the file durably there
};

PowerModel& Model() {
  static PowerModel model;
  return model;
}

struct StepAction {
  int at = 0;
  int steps = 0;
  bool ran = false;
  std::function<void()> action;
};

StepAction& PendingAction() {
  static StepAction pending;
  return pending;
}

void RunPendingAction() {
  StepAction& pending = PendingAction();
  if (!pending.action || ++pending.steps != pending.at) return;
  const std::function<void()> action = std::move(pending.action);
  pending.action = nullptr;
  pending.ran = true;
  action();
}

std::optional<FileId> IdOf(const struct stat& info) {
  if (!S_ISREG(info.st_mode)) return std::nullopt;
  return FileId{info.st_dev, info.st_ino};
}

std::optional<FileId> IdAt(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0 ? IdOf(info) : std::nullopt;
}

std::optional<FileId> IdOfDescriptor(int fd) {
  struct stat info;
  return ::fstat(fd, &info) == 0 ? IdOf(info) : std::nullopt;
}

std::string ContentsAt(const std::string& path) {
  std::string contents;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return contents;
  char buffer[1 << 16];
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) contents.append(buffer, static_cast<size_t>(got));
  ::close(fd);
  return contents;
}

// Reopened for reading: the descriptor itself may be open for writing only.
std::string ContentsOf(int fd) { return ContentsAt("/proc/self/fd/" + std::to_string(fd)); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The path an open file was opened under, so that a file opened before the
// model ran is put back too.
std::string PathOf(int fd) {
  char target[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
  return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
}

void WriteWhole(const std::string& path, const std::string& contents) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  for (size_t done = 0; done < contents.size();) {
    const ssize_t put = ::write(fd, contents.data() + done, contents.size() - done);
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  ::close(fd);
}

// With zeroedData, a file still under its name keeps the length it reached,
// the bytes no sync made durable reading as zeros.
void RestoreDurableState(const PowerModel& model) {
  for (const auto& [path, id] : model.durableNames) {
    if (!id) {
      ::unlink(path.c_str());
      continue;
    }
    const auto data = model.durableData.find(*id);
    std::string durable = data == model.durableData.end() ? std::string() : data->second;
    struct stat info;
    if (model.zeroedData && ::lstat(path.c_str(), &info) == 0 && IdOf(info) == id &&
        static_cast<size_t>(info.st_size) > durable.size())
      durable.resize(static_cast<size_t>(info.st_size), '\0');
    WriteWhole(path, durable);
  }
}

}  // namespace

void StartPowerModel(int cutAt, bool zeroedData) {
  PowerModel& model = Model();
  if (!model.running) {
    model = PowerModel{};
    model.running = true;
  }
  model.cutAt = model.steps + cutAt;
  model.zeroedData = zeroedData;
}

void StopPowerModel() {
  if (Model().cut) RestoreDurableState(Model());
  Model() = PowerModel{};
  PendingAction() = StepAction{};
}

void RunBeforeStep(int n, std::function<void()> action) {
  PendingAction() = StepAction{n, 0, false, std::move(action)};
}

bool StepActionRan() { return PendingAction().ran; }

bool PowerWasCut() { return Model().cut; }

bool PowerStep() {
  RunPendingAction();
  PowerModel& model = Model();
  if (!model.running) return true;
  if (model.cut) return false;
  model.cut = ++model.steps == model.cutAt;
  return !model.cut;
}

void RememberName(const std::string& nativePath) {
  PowerModel& model = Model();
  if (!model.running || model.durableNames.contains(nativePath)) return;
  const std::optional<FileId> id = IdAt(nativePath);
  model.durableNames[nativePath] = id;
  if (id && !model.durableData.contains(*id)) model.durableData[*id] = ContentsAt(nativePath);
}

void RememberData(int fd) {
  PowerModel& model = Model();
  if (!model.running) return;
  const std::optional<FileId> id = IdOfDescriptor(fd);
  if (!id || model.durableData.contains(*id)) return;
  // A file opened before the model ran: its name is as durable as its data.
  const std::string path = PathOf(fd);
  if (!path.empty() && !model.durableNames.contains(path)) model.durableNames[path] = id;
  model.durableData[*id] = ContentsOf(fd);
}

void FileCreated(int fd) {
  PowerModel& model = Model();
  if (!model.running) return;
  if (const std::optional<FileId> id = IdOfDescriptor(fd)) model.durableData[*id].clear();
}

void DataSynced(int fd) {
  PowerModel& model = Model();
  if (!model.running) return;
  if (const std::optional<FileId> id = IdOfDescriptor(fd)) model.durableData[*id] = ContentsOf(fd);
}

void FolderSynced(const std::string& nativeFolder) {
  PowerModel& model = Model();
  if (!model.running) return;
  for (auto& [path, id] : model.durableNames) {
    if (FolderOf(path) != nativeFolder) continue;
    id = IdAt(path);
    if (id && !model.durableData.contains(*id)) model.durableData[*id] = ContentsAt(path);
  }
}

}  // namespace platform::detail
