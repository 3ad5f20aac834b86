#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files/Files.h"

namespace platform {

FileLock::FileLock(std::string_view path) : FileLock(path, LockKind::Exclusive) {}

FileLock::FileLock(std::string_view path, LockKind kind) {
  // O_RDONLY opens a folder as well as a file; flock needs no write access.
  m_fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (m_fd < 0) return;
  const int operation = kind == LockKind::Shared ? LOCK_SH : LOCK_EX;
  int result;
  while ((result = ::flock(m_fd, operation)) != 0 && errno == EINTR) {
  }
  if (result != 0) {
    ::close(m_fd);
    m_fd = -1;
  }
}

FileLock::~FileLock() {
  if (m_fd >= 0) ::close(m_fd);  // closing the last descriptor releases the lock
}

}  // namespace platform
