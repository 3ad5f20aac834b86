// fopen-style streams on Shift-JIS paths, with the Windows text mode.

#include <fcntl.h>
#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "platform/files/FaultState.h"
#include "platform/files/Files.h"
#include "platform/files/PowerState.h"
#include "platform/files/StreamFactory.h"

namespace platform {

namespace {

// Enough tries for a burst of scratch files made within the same seconds.
constexpr int kMaxScratchTries = 10000;

std::string WithCrLf(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16);
  for (char c : bytes) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

class FileStream final : public Stream {
 public:
  FileStream(FILE* file, detail::Mode mode)
      : m_file(file), m_text(mode == detail::Mode::Text), m_generation(detail::WatchGeneration()) {}
  ~FileStream() override { Close(); }

  size_t Read(void* buffer, size_t count) override {
    if (!m_file) return 0;
    SwitchTo(Direction::Reading);
    if (!m_text) return std::fread(buffer, 1, count, m_file);
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    for (int c; done < count && (c = GetChar()) >= 0;) out[done++] = static_cast<unsigned char>(c);
    return done;
  }

  bool Write(const void* data, size_t count) override {
    if (!m_file) return false;
    SwitchTo(Direction::Writing);
    std::string_view bytes(static_cast<const char*>(data), count);
    std::string translated;
    if (m_text) bytes = translated = WithCrLf(bytes);
    if (!detail::PowerStep()) {
      m_writeFailed = true;
      return false;
    }
    detail::RememberData(fileno(m_file));
    const detail::WriteFault fault = detail::NextWriteFault(m_generation);
    if (fault != detail::WriteFault::None) {
      if (fault == detail::WriteFault::HalfWritten) PutBytes(bytes.substr(0, bytes.size() / 2));
      m_writeFailed = true;
      return false;
    }
    if (!PutBytes(bytes)) m_writeFailed = true;
    return !m_writeFailed;
  }

  Appended Append(std::string_view bytes) override {
    if (!m_file || !Flush()) return {};
    if (!detail::PowerStep()) {
      m_writeFailed = true;
      return {};
    }
    detail::RememberData(fileno(m_file));
    const detail::WriteFault fault = detail::NextWriteFault(m_generation);
    if (fault != detail::WriteFault::None) {
      m_writeFailed = true;
      return fault == detail::WriteFault::HalfWritten ? AppendOnce(bytes.substr(0, bytes.size() / 2)) : Appended{};
    }
    const Appended appended = AppendOnce(bytes);
    if (appended.written < bytes.size()) m_writeFailed = true;
    return appended;
  }

  int GetChar() override {
    if (!m_file) return -1;
    SwitchTo(Direction::Reading);
    const int c = getc_unlocked(m_file);
    if (c != '\r' || !m_text) return c == EOF ? -1 : c;
    const int next = getc_unlocked(m_file);
    if (next == '\n') return '\n';
    if (next != EOF) ungetc(next, m_file);
    return c;
  }

  bool ReadLine(std::string& line) override {
    line.clear();
    int c = GetChar();
    if (c < 0) return false;
    for (; c >= 0 && c != '\n'; c = GetChar()) line.push_back(static_cast<char>(c));
    if (!m_text && c == '\n' && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }

  bool Seek(int64_t offset) override {
    if (!m_file) return false;
    SwitchTo(Direction::Either);
    return fseeko(m_file, offset, SEEK_SET) == 0;
  }
  int64_t Tell() override { return m_file ? ftello(m_file) : -1; }

  int64_t Length() override {
    struct stat info;
    if (!Flush() || ::fstat(fileno(m_file), &info) != 0) return -1;
    return info.st_size;
  }

  bool Flush() override {
    if (!m_file) return false;
    if (std::fflush(m_file) != 0) m_writeFailed = true;
    return !m_writeFailed;
  }

  bool Sync() override {
    if (!Flush()) return false;
    if (detail::SyncMustFail(m_generation) || !detail::PowerStep()) return false;
    if (detail::SyncReachesTheDisk() && ::fsync(fileno(m_file)) != 0) return false;
    detail::DataSynced(fileno(m_file));
    return true;
  }

  // Cuts the file back after a failed append too: what a failed write left
  // in the buffer is dropped, not written later, and the stream goes on.
  bool Truncate(int64_t length) override {
    if (!m_file || detail::TruncateMustFail(m_generation) || !detail::PowerStep()) return false;
    detail::RememberData(fileno(m_file));
    std::fflush(m_file);
    __fpurge(m_file);
    clearerr(m_file);
    m_writeFailed = false;
    return ::ftruncate(fileno(m_file), length) == 0 && fseeko(m_file, length, SEEK_SET) == 0;
  }

  bool Close() override {
    if (!m_file) return !m_writeFailed;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!closed) m_writeFailed = true;
    return !m_writeFailed;
  }

 private:
  enum class Direction { Either, Reading, Writing };

  // C streams need a flush or a seek between writing and reading ("r+b").
  void SwitchTo(Direction next) {
    if (m_direction == next) return;
    if (m_direction == Direction::Writing) Flush();
    if (m_direction == Direction::Reading) fseeko(m_file, 0, SEEK_CUR);
    m_direction = next;
  }

  // One write(2) puts up to about 2 GB; a larger text takes more, each of
  // which must land right after the one before.
  Appended AppendOnce(std::string_view bytes) {
    const int fd = fileno(m_file);
    if (bytes.empty()) return {Length(), 0};
    Appended appended;
    while (appended.written < bytes.size()) {
      const ssize_t put = ::write(fd, bytes.data() + appended.written, bytes.size() - appended.written);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) break;
      const int64_t landed = ::lseek(fd, 0, SEEK_CUR) - put;
      if (appended.start < 0) appended.start = landed;
      if (landed != appended.start + static_cast<int64_t>(appended.written)) break;
      appended.written += static_cast<size_t>(put);
    }
    return appended;
  }

  bool PutBytes(std::string_view bytes) {
    // fwrite retries short writes itself and stops only on a real error.
    return std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size();
  }

  FILE* m_file;
  bool m_text;
  uint64_t m_generation;
  bool m_writeFailed = false;  // sticky, as the C stream's error flag
  Direction m_direction = Direction::Either;
};

// fopen's mode: r, w or a, then any of "+", "b", "t".
bool ParseMode(const char* mode, std::string& cMode, detail::Mode& textMode) {
  if (!mode || (mode[0] != 'r' && mode[0] != 'w' && mode[0] != 'a')) return false;
  bool plus = false, binary = false, text = false;
  for (const char* p = mode + 1; *p; ++p) {
    if (*p == '+')
      plus = true;
    else if (*p == 'b')
      binary = true;
    else if (*p == 't')
      text = true;
    else
      return false;
  }
  if (binary && text) return false;
  cMode = std::string(1, mode[0]) + (plus ? "+" : "") + "e";
  textMode = binary ? detail::Mode::Binary : detail::Mode::Text;
  return true;
}

bool IsDirectory(FILE* file) {
  struct stat info;
  return ::fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
}

// One link only: a second name could be any file of the user's, planted
// under a name that looks like ours.
bool IsOwnRegularFile(int fd) {
  struct stat info;
  return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1 &&
         info.st_uid == ::geteuid();
}

// Opened without blocking, so that a FIFO or a device under the name cannot
// hold the caller; a regular file then reads as usual.
bool ClearNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

}  // namespace

namespace detail {

bool BeforeNameChange(const std::string& nativePath, bool& created) {
  if (!PowerStep()) {
    errno = EIO;
    return false;
  }
  RememberName(nativePath);
  struct stat info;
  created = ::lstat(nativePath.c_str(), &info) != 0;
  return true;
}

std::unique_ptr<Stream> WrapFile(FILE* file, Mode mode) { return std::make_unique<FileStream>(file, mode); }

std::unique_ptr<Stream> WrapWritableDescriptor(int fd) {
  FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    ::close(fd);
    return nullptr;
  }
  return WrapFile(file, Mode::Binary);
}

}  // namespace detail

std::unique_ptr<Stream> OpenFile(std::string_view path, const char* mode) {
  std::string cMode;
  detail::Mode textMode;
  if (!ParseMode(mode, cMode, textMode)) {
    errno = EINVAL;
    return nullptr;
  }
  const std::string native = NativePath(path);
  const bool changes = cMode[0] != 'r' || cMode[1] == '+';
  bool created = false;
  if (changes && !detail::BeforeNameChange(native, created)) return nullptr;
  FILE* file = std::fopen(native.c_str(), cMode.c_str());
  if (!file) return nullptr;
  if (created) detail::FileCreated(fileno(file));
  // Windows refuses to open a folder as a file; Linux would hand out a stream.
  if (IsDirectory(file)) {
    std::fclose(file);
    errno = EISDIR;
    return nullptr;
  }
  return detail::WrapFile(file, textMode);
}

std::unique_ptr<Stream> OpenOwnRegularFile(std::string_view path, const char* mode) {
  std::string cMode;
  detail::Mode textMode;
  if (!ParseMode(mode, cMode, textMode) || mode[0] != 'r') return nullptr;
  const int access = cMode[1] == '+' ? O_RDWR : O_RDONLY;
  bool created = false;
  if (access == O_RDWR && !detail::BeforeNameChange(NativePath(path), created)) return nullptr;
  const int fd = ::open(NativePath(path).c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  FILE* file = IsOwnRegularFile(fd) && ClearNonBlocking(fd) ? ::fdopen(fd, cMode.c_str()) : nullptr;
  if (!file) {
    ::close(fd);
    return nullptr;
  }
  return detail::WrapFile(file, textMode);
}

std::unique_ptr<Stream> CreateScratchFile(std::string_view folder, std::string_view prefix,
                                          std::string_view extension, std::string& path) {
  const long start = static_cast<long>(std::time(nullptr));
  for (long n = start; n < start + kMaxScratchTries; ++n) {
    std::string candidate =
        std::string(folder) + "\\" + std::string(prefix) + std::to_string(n) + std::string(extension);
    const std::string native = NativePath(candidate);
    bool created = false;
    if (!detail::BeforeNameChange(native, created)) return nullptr;
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      detail::FileCreated(fd);
      path = std::move(candidate);
      return detail::WrapWritableDescriptor(fd);
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

}  // namespace platform
