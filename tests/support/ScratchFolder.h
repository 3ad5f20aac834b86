#pragma once
// A fresh folder of its own under TMPDIR (or /tmp), removed with everything
// in it when the object goes. Paths are native (UTF-8, "/").

#include <string>

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Root() const { return m_root; }
  std::string Path(const std::string& name) const { return m_root + "/" + name; }

 private:
  std::string m_root;
};
