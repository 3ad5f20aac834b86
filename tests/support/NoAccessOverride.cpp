#include "tests/support/NoAccessOverride.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <utility>

namespace {

void SetAccessOverride(bool on) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return;
  const unsigned bits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
  data[0].effective = on ? data[0].effective | (bits & data[0].permitted) : data[0].effective & ~bits;
  syscall(SYS_capset, &header, data);
}

}  // namespace

NoAccessOverride::NoAccessOverride() { SetAccessOverride(false); }

NoAccessOverride::~NoAccessOverride() { SetAccessOverride(true); }

UnreadableFile::UnreadableFile(std::string nativePath) : m_path(std::move(nativePath)) {
  struct stat info {};
  EXPECT_EQ(stat(m_path.c_str(), &info), 0) << m_path;
  m_mode = info.st_mode & 07777;
  EXPECT_EQ(chmod(m_path.c_str(), 0), 0) << m_path;
}

UnreadableFile::~UnreadableFile() { chmod(m_path.c_str(), m_mode); }
