#include "platform/forms/KeptStrings.h"

namespace platform::forms {

std::string KeptStrings::Strings(int index) const {
  CheckIndex(index, Count());
  return m_texts[index];
}

void KeptStrings::Put(int index, const std::string& text) {
  CheckIndex(index, Count());
  m_texts[index] = text;
  Replaced(index, text);
}

void KeptStrings::Insert(int index, const std::string& text) {
  CheckIndex(index, Count() + 1);
  m_texts.insert(m_texts.begin() + index, text);
  Inserted(index, text);
}

void KeptStrings::Delete(int index) {
  CheckIndex(index, Count());
  m_texts.erase(m_texts.begin() + index);
  Deleted(index);
}

void KeptStrings::Clear() {
  m_texts.clear();
  Cleared();
}

void KeptStrings::AddStrings(const std::vector<std::string>& texts) {
  m_texts.insert(m_texts.end(), texts.begin(), texts.end());
  Appended(texts);
}

}  // namespace platform::forms
