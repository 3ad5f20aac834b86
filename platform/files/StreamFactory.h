#pragma once
// Inside platform/files: turns an open C stream into a Stream.

#include <cstdio>
#include <memory>

#include "platform/files/Files.h"

namespace platform::detail {

enum class Mode { Binary, Text };

// Takes ownership of file.
std::unique_ptr<Stream> WrapFile(FILE* file, Mode mode);
// Wraps a descriptor opened for writing; closes it on failure.
std::unique_ptr<Stream> WrapWritableDescriptor(int fd);

}  // namespace platform::detail
