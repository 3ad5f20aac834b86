// Whole-file operations: read, crash-safe replace, copy.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <functional>
#include <limits>
#include <optional>

#include "platform/base/Exception.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/files/PowerState.h"
#include "platform/files/StreamFactory.h"
#include "platform/text/ShiftJis.h"

namespace platform {

namespace {

constexpr size_t kChunkSize = 1 << 20;
constexpr int kMaxTempTries = 100;
// A replacement's file beside its target: ".mkreplace-<pid>-<time>-<n>",
// the pid of the process writing it first.
constexpr std::string_view kReplacePrefix = ".mkreplace-";

using ChunkSink = std::function<bool(std::string_view)>;
using ContentWriter = std::function<bool(Stream&)>;

// Feeds the file's bytes to sink in chunks; false on an open or read error
// or when the sink refuses.
bool ReadChunks(const std::string& nativePath, const ChunkSink& sink) {
  const int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool ok = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
  std::string chunk(kChunkSize, '\0');
  while (ok) {
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    ok = sink(std::string_view(chunk.data(), static_cast<size_t>(got)));
  }
  ::close(fd);
  return ok;
}

std::string FolderOf(const std::string& nativePath) {
  const size_t slash = nativePath.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : nativePath.substr(0, slash);
}

// A new file beside target, created exclusively; its name goes to tempPath.
int CreateSiblingTemp(const std::string& target, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < kMaxTempTries; ++attempt) {
    tempPath = FolderOf(target) + "/" + std::string(kReplacePrefix) + std::to_string(::getpid()) + "-" +
               std::to_string(static_cast<long>(std::time(nullptr))) + "-" + std::to_string(counter++);
    bool created = false;
    if (!detail::BeforeNameChange(tempPath, created)) return -1;
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) detail::FileCreated(fd);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The replacement keeps the permissions of the file it replaces.
void KeepPermissions(const std::string& target, int fd) {
  struct stat info;
  if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::fchmod(fd, info.st_mode & 07777);
}

// Writes a new file beside target, syncs it and renames it over target.
// The old file stays untouched unless everything before the rename succeeded.
bool WriteBesideAndRename(const std::string& target, const ContentWriter& writer) {
  std::string temp;
  const int fd = CreateSiblingTemp(target, temp);
  if (fd < 0) return false;
  KeepPermissions(target, fd);
  std::unique_ptr<Stream> stream = detail::WrapWritableDescriptor(fd);
  const bool written = stream && writer(*stream) && stream->Sync() && stream->Close();
  if (!written || !detail::RenameNative(temp, target)) {
    detail::UnlinkNative(temp);
    return false;
  }
  // The contents are in place; a failed folder sync only weakens durability.
  SyncFolder(ProgramPath(FolderOf(target)));
  return true;
}

bool CopyInto(const std::string& source, Stream& target) {
  return ReadChunks(source, [&target](std::string_view chunk) { return target.Write(chunk); });
}

bool CopyToNewFile(const std::string& source, const std::string& target) {
  bool created = false;
  if (!detail::BeforeNameChange(target, created)) return false;
  const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  detail::FileCreated(fd);
  std::unique_ptr<Stream> stream = detail::WrapWritableDescriptor(fd);
  if (stream && CopyInto(source, *stream) && stream->Close()) return true;
  detail::UnlinkNative(target);
  return false;
}

// The writer of a replacement's file, by its name; none for any other name.
std::optional<pid_t> WriterOf(std::string_view name) {
  if (!name.starts_with(kReplacePrefix)) return std::nullopt;
  name.remove_prefix(kReplacePrefix.size());
  uint64_t numbers[3] = {};
  for (size_t i = 0; i < 3; ++i) {
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), numbers[i]);
    if (error != std::errc() || end == name.data()) return std::nullopt;
    name.remove_prefix(static_cast<size_t>(end - name.data()));
    if (i < 2 && !name.starts_with('-')) return std::nullopt;
    if (i < 2) name.remove_prefix(1);
  }
  if (!name.empty() || numbers[0] == 0 || numbers[0] > static_cast<uint64_t>(std::numeric_limits<pid_t>::max())) return std::nullopt;
  return static_cast<pid_t>(numbers[0]);
}

// Only a process that no longer exists is provably done writing; a pid in
// use again, or one we may not signal, keeps its file.
bool WriterIsGone(pid_t pid) { return ::kill(pid, 0) == -1 && errno == ESRCH; }

}  // namespace

void RemoveAbandonedScratch(std::string_view folder) {
  const std::string native = NativePath(folder);
  for (const std::string& name : FolderEntries(folder)) {
    const std::optional<pid_t> writer = WriterOf(name);
    if (!writer || !WriterIsGone(*writer)) continue;
    const std::string path = native + "/" + name;
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) detail::UnlinkNative(path);
  }
}

void ReplaceFileContents(std::string_view path, std::string_view bytes) {
  const bool replaced =
      WriteBesideAndRename(NativePath(path), [bytes](Stream& stream) { return stream.Write(bytes); });
  if (!replaced) throw EFCreateError(CannotCreateFileText(path));
}

std::string CannotOpenFileText(std::string_view path) {
  return Format(SjisFromUtf8("ファイル %s は開けません").c_str(), DesktopPath(path).c_str());
}

std::string CannotCreateFileText(std::string_view path) {
  return Format(SjisFromUtf8("ファイル %s を作成できません").c_str(), DesktopPath(path).c_str());
}

bool ReadFileContents(std::string_view path, std::string& bytes) {
  std::string contents;
  const bool read = ReadChunks(NativePath(path), [&contents](std::string_view chunk) {
    contents.append(chunk);
    return true;
  });
  if (read) bytes = std::move(contents);
  return read;
}

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
  const std::string source = NativePath(from);
  const std::string target = NativePath(to);
  if (::access(source.c_str(), R_OK) != 0) return false;
  if (failIfExists) return CopyToNewFile(source, target);
  return WriteBesideAndRename(target, [&source](Stream& stream) { return CopyInto(source, stream); });
}

}  // namespace platform
