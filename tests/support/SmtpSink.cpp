#include "tests/support/SmtpSink.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

constexpr const char* kPython = "/usr/bin/python3";

std::string SupportScript(const char* name) {
  const char* source = std::getenv("MARROWKIT_SOURCE_DIR");
  return std::string(source ? source : ".") + "/tests/support/" + name;
}

// Starts python with the script; connects the child's stdin and stdout to pipes.
pid_t StartPython(const std::vector<std::string>& args, int& toChild, int& fromChild) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[1]);
    close(out[0]);
    std::vector<char*> argv{const_cast<char*>(kPython)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(kPython, argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  toChild = in[1];
  fromChild = out[0];
  return pid;
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[8192];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  return text;
}

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

std::string Unhex(const std::string& hex) {
  if (hex == "-") return {};
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

SmtpSink::SmtpSink(std::string folder) : m_folder(std::move(folder)) {
  signal(SIGPIPE, SIG_IGN);
  int fromChild = -1;
  m_pid = StartPython({SupportScript("smtp_sink.py"), m_folder}, m_stdin, fromChild);
  std::string line;
  char c;
  while (read(fromChild, &c, 1) == 1 && c != '\n') line += c;
  close(fromChild);
  m_port = std::atoi(line.c_str());
  if (m_port <= 0) throw std::runtime_error("aiosmtpd did not start");
}

SmtpSink::~SmtpSink() {
  close(m_stdin);
  int status = 0;
  waitpid(m_pid, &status, 0);
}

std::string SmtpSink::Received(int n) const {
  return FileText(m_folder + "/" + std::to_string(n) + ".eml");
}

std::vector<std::string> SmtpSink::Envelope(int n) const {
  std::istringstream text(FileText(m_folder + "/" + std::to_string(n) + ".env"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

std::string ParsedMail::Header(const std::string& name) const {
  for (const auto& [key, value] : headers)
    if (key == name) return value;
  return "<absent>";
}

ParsedMail ParseMail(const std::string& rawMessage) {
  int toChild = -1, fromChild = -1;
  signal(SIGPIPE, SIG_IGN);
  pid_t pid = StartPython({SupportScript("mail_parse.py")}, toChild, fromChild);
  WriteAll(toChild, rawMessage);
  close(toChild);
  std::istringstream output(ReadAll(fromChild));
  close(fromChild);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("mail_parse.py failed");

  ParsedMail mail;
  for (std::string kind; output >> kind;) {
    std::string a, b, c, d, e;
    if (kind == "H" && output >> a >> b) mail.headers.emplace_back(Unhex(a), Unhex(b));
    if (kind == "M" && output >> a >> b) {
      mail.contentType = Unhex(a);
      mail.boundary = Unhex(b);
    }
    if (kind == "P" && output >> a >> b >> c >> d >> e)
      mail.parts.push_back({Unhex(a), Unhex(b), Unhex(c), Unhex(d), Unhex(e)});
    if (kind == "A" && output >> a >> b >> c >> d) mail.addresses.push_back({Unhex(a), Unhex(b), Unhex(c), Unhex(d)});
    if (kind == "D" && output >> a >> b) mail.defects[Unhex(a)] = std::stoi(b);
  }
  return mail;
}
