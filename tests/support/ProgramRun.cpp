#include "tests/support/ProgramRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

extern char** environ;

bool ProgramInstalled(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (!folder.empty() && access((folder + "/" + name).c_str(), X_OK) == 0) return true;
  return false;
}

namespace {

// Owns the file actions of one spawn.
class SpawnFiles {
 public:
  SpawnFiles() { posix_spawn_file_actions_init(&m_actions); }
  ~SpawnFiles() { posix_spawn_file_actions_destroy(&m_actions); }
  SpawnFiles(const SpawnFiles&) = delete;
  SpawnFiles& operator=(const SpawnFiles&) = delete;

  void Redirect(int fd, const std::string& path, int flags) {
    if (!path.empty()) posix_spawn_file_actions_addopen(&m_actions, fd, path.c_str(), flags, 0600);
  }
  const posix_spawn_file_actions_t* Actions() const { return &m_actions; }

 private:
  posix_spawn_file_actions_t m_actions;
};

}  // namespace

int RunProgram(const std::vector<std::string>& argv, const std::string& inputPath,
               const std::string& outputPath) {
  SpawnFiles files;
  files.Redirect(STDIN_FILENO, inputPath, O_RDONLY);
  files.Redirect(STDOUT_FILENO, outputPath, O_WRONLY | O_CREAT | O_TRUNC);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], files.Actions(), nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
