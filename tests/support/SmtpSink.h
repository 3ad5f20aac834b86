#pragma once
// A real SMTP server for end-to-end tests: Debian's aiosmtpd, started with
// /usr/bin/python3 on a free loopback port, saving each received message into
// a folder; and Python's email package as the reference parser of a mail.

#include <sys/types.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

class SmtpSink {
 public:
  // Starts the server saving into folder (a native path that exists).
  // Throws std::runtime_error when it does not come up.
  explicit SmtpSink(std::string folder);
  ~SmtpSink();  // stops the server and waits for it
  SmtpSink(const SmtpSink&) = delete;
  SmtpSink& operator=(const SmtpSink&) = delete;

  int Port() const { return m_port; }
  // Message number n (from 1) as received, dot-stuffing undone; empty when none.
  std::string Received(int n) const;
  // Its envelope: the MAIL FROM address, then each RCPT TO address.
  std::vector<std::string> Envelope(int n) const;

 private:
  std::string m_folder;
  pid_t m_pid = -1;
  int m_stdin = -1;
  int m_port = 0;
};

// One mail as Python's email package reads it. Texts are Shift-JIS; header
// values have their encoded-words decoded.
struct ParsedMail {
  struct Part {
    std::string contentType;
    std::string charset;
    std::string fileName;
    std::string transferEncoding;
    std::string payload;  // transfer encoding undone
  };
  std::vector<std::pair<std::string, std::string>> headers;
  std::string contentType;
  std::string boundary;
  std::vector<Part> parts;  // the leaf parts in order
  // The addresses of From, To and CC as Python's address parser reads them,
  // and per header the defects it found there.
  struct Address {
    std::string header, group, name, address;  // group: the group it stands in, if any
    bool operator==(const Address&) const = default;
  };
  std::vector<Address> addresses;
  std::map<std::string, int> defects;

  // The value of the first header of that name (exact), or "<absent>".
  std::string Header(const std::string& name) const;
};

// Throws std::runtime_error when Python cannot be run.
ParsedMail ParseMail(const std::string& rawMessage);
