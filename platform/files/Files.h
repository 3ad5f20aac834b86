#pragma once
// The one door to the file system. The programs hold paths as Shift-JIS text
// built with "\" separators; every function here takes such a path, converts
// the whole path to UTF-8 first and only then turns "\" into "/" (0x5C is also
// the second byte of characters such as ソ and 表, so bytes are never replaced).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Shift-JIS path with "\" or "/" separators -> UTF-8 path with "/".
std::string NativePath(std::string_view path);
// A path from the system (UTF-8, "/") -> Shift-JIS as the programs hold it.
std::string ProgramPath(std::string_view nativePath);
// A path as the desktop writes it, "/" between its parts, in Shift-JIS: for
// the user's eyes and for settings that other programs read.
std::string DesktopPath(std::string_view path);
// The folder that holds path (found after conversion, so a 0x5C trail byte
// never counts as a separator); "." when path names no folder.
std::string ParentFolder(std::string_view path);
// ProgramPath leads back to nativePath: no character of it lacks a Shift-JIS
// form (which would come out as "?" and name another file).
bool HasProgramPath(std::string_view nativePath);

bool FileExists(std::string_view path);       // a regular file (links followed)
bool PathExists(std::string_view path);       // anything at all at path (a link not followed)
bool DirectoryExists(std::string_view path);
bool CreateDir(std::string_view path);        // one level; false when it fails or exists
// SysUtils ForceDirectories: the folder and every missing parent; true when
// the folder exists afterwards.
bool ForceDirectories(std::string_view path);
bool DeleteFile(std::string_view path);       // false when nothing was removed
// Win32 CopyFile: copies bytes and replaces the target unless failIfExists.
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists);
[[nodiscard]] bool RenameFile(std::string_view from, std::string_view to);  // replaces the target
int64_t FileSize(std::string_view path);      // -1 when missing
bool SyncFolder(std::string_view folder);     // fsync of a folder after renames
// The names in a folder (Shift-JIS, without "." and ".."); none when it cannot be read.
std::vector<std::string> FolderEntries(std::string_view folder);
// The system's error number (errno) of this thread's last failed call here.
int LastFileError();
// Both paths name one file or folder (links followed); false when either is missing.
bool SameFile(std::string_view a, std::string_view b);
// What tells a file from every other on the machine: its device and inode
// (links followed); none when it is missing.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(std::string_view path);

// The folder named by TEMP; when unset, TMPDIR, then /tmp. No trailing separator.
std::string TempFolder();
// The user's data folder of the desktop: XDG_DATA_HOME, else ~/.local/share.
std::string UserDataFolder();
// The folder of the running program's file; no trailing separator.
std::string ExeDir();
void SetExeDirForTesting(std::string path);  // "" returns to the real folder

// An open file, as fopen gives it. Binary modes ("rb", "wb", "ab", "r+b")
// pass bytes unchanged; text modes ("rt", "wt", "at", or no b) keep the
// Windows contract: "\n" is written as CR LF and CR LF reads back as "\n".
class Stream {
 public:
  virtual ~Stream() = default;
  virtual size_t Read(void* buffer, size_t count) = 0;        // bytes read; 0 at end or error
  // A result a caller drops would hide lost data: each of these must be looked at.
  [[nodiscard]] virtual bool Write(const void* data, size_t count) = 0;  // false unless all were written
  [[nodiscard]] bool Write(std::string_view text) { return Write(text.data(), text.size()); }
  // A binary stream opened for appending: writes bytes at the file's end in
  // one system call, after whatever the stream has buffered, so that another
  // program appending at the same time lands wholly before or after them.
  // Where they begin (-1 when nothing was written) and how many were
  // written: fewer than asked when the disk refused the rest.
  struct Appended {
    int64_t start = -1;
    size_t written = 0;
  };
  [[nodiscard]] virtual Appended Append(std::string_view bytes) = 0;
  virtual int GetChar() = 0;                                  // a byte, or -1 at end
  // One line without its line end; false at the end of the file. A last
  // line without a line end is still returned.
  virtual bool ReadLine(std::string& line) = 0;
  virtual bool Seek(int64_t offset) = 0;                      // from the start
  virtual int64_t Tell() = 0;
  virtual int64_t Length() = 0;                               // the file's current length
  [[nodiscard]] virtual bool Flush() = 0;                     // to the operating system
  [[nodiscard]] virtual bool Sync() = 0;                      // Flush and fsync
  [[nodiscard]] virtual bool Truncate(int64_t length) = 0;
  virtual bool Close() = 0;                                   // false when a write-back failed
};

// nullptr when the file cannot be opened, as fopen.
std::unique_ptr<Stream> OpenFile(std::string_view path, const char* mode);

// As OpenFile for reading modes ("r", "rb", "rt", "r+b"), but only a regular
// file with one link, owned by this user; a symbolic link at path is never
// followed, and a FIFO or device there never blocks (for names handed in
// from outside). nullptr otherwise, and for other modes.
std::unique_ptr<Stream> OpenOwnRegularFile(std::string_view path, const char* mode);

// Creates "<folder>\<prefix><n><extension>" exclusively (mode 0600, no
// following of links), n starting at the current time in whole seconds and
// counting up while the name is taken. Opened for writing in binary mode;
// path receives the name. nullptr when the folder refuses.
std::unique_ptr<Stream> CreateScratchFile(std::string_view folder, std::string_view prefix,
                                          std::string_view extension, std::string& path);

// Replaces the whole file crash-safely: temporary file beside it, flush,
// fsync, rename. Throws EFCreateError and leaves the old file intact on failure.
void ReplaceFileContents(std::string_view path, std::string_view bytes);
// Removes the files a replacement (ReplaceFileContents, CopyFile over a
// target) left in folder when its process ended before it finished: only
// those whose writing process has ended. Another name, or a replacement
// that another running process may still be writing, stays.
void RemoveAbandonedScratch(std::string_view folder);

// The class library's messages (Shift-JIS) for a file that cannot be opened
// for reading (EFOpenError) or created and written whole (EFCreateError);
// they name the file by its DesktopPath.
std::string CannotOpenFileText(std::string_view path);
std::string CannotCreateFileText(std::string_view path);

// Reads a whole file; false when it cannot be opened.
bool ReadFileContents(std::string_view path, std::string& bytes);

enum class LockKind { Exclusive, Shared };

// An advisory lock (flock) held for the object's lifetime on a folder or a
// lock file that no rename replaces. Blocks until taken. A missing path is
// not created: Held() is then false.
class FileLock {
 public:
  explicit FileLock(std::string_view path);  // exclusive
  FileLock(std::string_view path, LockKind kind);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};

}  // namespace platform
