#pragma once
// A listening TCP socket on 127.0.0.1 at a free port, for servers that tests
// and benchmarks run in a thread of their own.

#include <cstdint>

// Returns the listening descriptor and sets port; throws std::runtime_error
// (naming who asked) when no loopback port can be had.
int ListenOnLoopback(int backlog, std::uint16_t& port, const char* who);
