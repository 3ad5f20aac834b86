#pragma once
// Inside platform/files: what its units share: turning an open C stream into
// a Stream, and the primitives that change names, which the power-cut model
// of FaultInjection sees.

#include <cstdio>
#include <memory>
#include <string>

#include "platform/files/Files.h"

namespace platform::detail {

enum class Mode { Binary, Text };

// Takes ownership of file.
std::unique_ptr<Stream> WrapFile(FILE* file, Mode mode);
// Wraps a descriptor opened for writing; closes it on failure.
std::unique_ptr<Stream> WrapWritableDescriptor(int fd);

// Before a file is opened to be changed, possibly made anew: counts the step
// of the power-cut model (false, errno EIO, when the power is off) and says
// whether nothing is at the path yet.
bool BeforeNameChange(const std::string& nativePath, bool& created);
// rename and unlink on native paths, seen by the power-cut model.
bool RenameNative(const std::string& from, const std::string& to);
bool UnlinkNative(const std::string& path);

}  // namespace platform::detail
