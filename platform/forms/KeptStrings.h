#pragma once
// Items a control keeps as given (Shift-JIS) beside the converted copies its
// widget shows, so that reading them back never converts. Only platform/forms
// includes this.

#include <string>
#include <vector>

#include "platform/forms/ControlStrings.h"

namespace platform::forms {

// Holds the texts and checks the indexes; the control shows each change in
// its widget through the hooks, which run once the texts have changed, so
// that a widget asking for a text while it updates gets the new one.
class KeptStrings : public TControlStrings {
 public:
  int Count() const override { return static_cast<int>(m_texts.size()); }
  std::string Strings(int index) const override;
  void Put(int index, const std::string& text) override;
  void Insert(int index, const std::string& text) override;
  void Delete(int index) override;
  void Clear() override;
  void AddStrings(const std::vector<std::string>& texts) override;

 protected:
  virtual void Replaced(int index, const std::string& text) = 0;
  virtual void Inserted(int index, const std::string& text) = 0;
  virtual void Deleted(int index) = 0;
  virtual void Cleared() = 0;
  // The texts were added at the end in one step.
  virtual void Appended(const std::vector<std::string>& texts) = 0;

 private:
  std::vector<std::string> m_texts;
};

}  // namespace platform::forms
