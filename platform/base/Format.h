#pragma once
// printf-style formatting into a growing string: the programs' formatted
// printing into fixed buffers, without the fixed size.

#include <string>

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
