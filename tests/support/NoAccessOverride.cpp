#include "tests/support/NoAccessOverride.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

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
