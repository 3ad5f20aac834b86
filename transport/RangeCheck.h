#pragma once
// The class library's range check on a narrowing assignment: a value the
// target cannot hold raises ERangeError instead of being cut.

#include <cstdint>
#include <limits>

#include "platform/base/Classes.h"

inline constexpr const char* kRangeErrorText = "範囲チェックエラー";

template <typename Narrow>
Narrow RangeChecked(std::int64_t value) {
  if (value < std::numeric_limits<Narrow>::min() || value > std::numeric_limits<Narrow>::max())
    throw ERangeError(kRangeErrorText);
  return static_cast<Narrow>(value);
}
