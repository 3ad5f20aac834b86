#pragma once
// The class library's exceptions. A message is Shift-JIS text, shown as it
// stands by the application's default handler (TApplication::ShowException).

#include <exception>
#include <string>
#include <utility>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }

  std::string Message;  // Shift-JIS
};

// A string list index outside the list.
class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

// A file that cannot be opened for reading.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};

// A file that cannot be created or written whole.
class EFCreateError : public Exception {
 public:
  using Exception::Exception;
};

// A registry key or value that cannot be read or written.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};
