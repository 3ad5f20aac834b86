// Paths and the simple questions about files.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/files/FaultState.h"
#include "platform/files/Files.h"
#include "platform/files/PowerState.h"
#include "platform/files/StreamFactory.h"
#include "platform/text/ShiftJis.h"

namespace platform {

namespace {

std::string& ExeDirOverride() {
  static std::string path;
  return path;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool StatIs(std::string_view path, mode_t type) {
  struct stat info;
  return ::stat(NativePath(path).c_str(), &info) == 0 && (info.st_mode & S_IFMT) == type;
}

}  // namespace

namespace detail {

bool RenameNative(const std::string& from, const std::string& to) {
  if (!PowerStep()) return false;
  RememberName(from);
  RememberName(to);
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool UnlinkNative(const std::string& path) {
  if (!PowerStep()) return false;
  RememberName(path);
  return ::unlink(path.c_str()) == 0;
}

}  // namespace detail

std::string NativePath(std::string_view path) {
  // Convert first: a 0x5C byte may be the second half of ソ or 表.
  std::string native = Utf8FromSjis(path);
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

std::string ProgramPath(std::string_view nativePath) { return SjisFromUtf8(nativePath); }

std::string DesktopPath(std::string_view path) { return ProgramPath(NativePath(path)); }

std::string ParentFolder(std::string_view path) {
  const std::string native = NativePath(path);
  const size_t slash = native.rfind('/');
  if (slash == std::string::npos) return ".";
  return ProgramPath(slash == 0 ? "/" : native.substr(0, slash));
}

bool HasProgramPath(std::string_view nativePath) { return NativePath(ProgramPath(nativePath)) == nativePath; }

bool FileExists(std::string_view path) { return StatIs(path, S_IFREG); }
bool DirectoryExists(std::string_view path) { return StatIs(path, S_IFDIR); }

bool PathExists(std::string_view path) {
  struct stat info;
  return ::lstat(NativePath(path).c_str(), &info) == 0;
}

bool CreateDir(std::string_view path) { return ::mkdir(NativePath(path).c_str(), 0777) == 0; }

bool ForceDirectories(std::string_view path) {
  const std::string native = NativePath(path);
  for (size_t slash = native.find('/', 1); slash != std::string::npos; slash = native.find('/', slash + 1))
    ::mkdir(native.substr(0, slash).c_str(), 0777);
  ::mkdir(native.c_str(), 0777);
  return DirectoryExists(path);
}

bool DeleteFile(std::string_view path) {
  const std::string native = NativePath(path);
  struct stat info;
  // Win32 DeleteFile removes files only, never a folder.
  if (::lstat(native.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  return detail::UnlinkNative(native);
}

bool RenameFile(std::string_view from, std::string_view to) {
  if (detail::RenameMustFail()) return false;
  return detail::RenameNative(NativePath(from), NativePath(to));
}

int64_t FileSize(std::string_view path) {
  struct stat info;
  if (::stat(NativePath(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return info.st_size;
}

bool SameFile(std::string_view a, std::string_view b) {
  const std::optional<FileIdentity> first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

std::optional<FileIdentity> IdentityOf(std::string_view path) {
  struct stat info;
  if (::stat(NativePath(path).c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

std::vector<std::string> FolderEntries(std::string_view folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(NativePath(folder).c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.push_back(ProgramPath(name));
  }
  ::closedir(dir);
  return names;
}

int LastFileError() { return errno; }

bool SyncFolder(std::string_view folder) {
  const std::string native = NativePath(folder);
  if (!detail::PowerStep()) return false;
  const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = !detail::SyncReachesTheDisk() || ::fsync(fd) == 0;
  if (synced) detail::FolderSynced(native);
  return ::close(fd) == 0 && synced;
}

std::string TempFolder() {
  for (const char* name : {"TEMP", "TMPDIR"}) {
    const char* value = std::getenv(name);
    if (value && *value) return ProgramPath(WithoutTrailingSeparators(value));
  }
  return "/tmp";
}

std::string UserDataFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && *dataHome) return ProgramPath(WithoutTrailingSeparators(dataHome));
  const char* home = std::getenv("HOME");
  return ProgramPath(std::string(home && *home ? home : "") + "/.local/share");
}

std::string ExeDir() {
  if (!ExeDirOverride().empty()) return ExeDirOverride();
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return ".";
  std::string exe(buffer, static_cast<size_t>(length));
  const size_t slash = exe.rfind('/');
  return ProgramPath(slash == 0 ? "/" : exe.substr(0, slash));
}

void SetExeDirForTesting(std::string path) { ExeDirOverride() = std::move(path); }

}  // namespace platform
