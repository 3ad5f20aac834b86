#pragma once
// Multi-line plain text: the memo and the rich edit (kept plain). Text()
// is the raw text with CR LF between lines and nothing after the last;
// Lines are the lines as the class library counts them (a last empty line
// after a final line end does not count). Positions count characters as
// shown, a line break as one. Tab and Shift+Tab move the focus on in the
// form's tab order, as they do from any other control.

#include <memory>
#include <string>

#include "platform/forms/StdCtrls.h"

using TSearchTypes = unsigned;
constexpr TSearchTypes stWholeWord = 0x1;
constexpr TSearchTypes stMatchCase = 0x2;

class TCustomMemo : public TCustomEdit {
 public:
  ~TCustomMemo() override;

  TControlStrings* const Lines;

  // Raw text; setting it to what it holds changes nothing and runs no OnChange.
  std::string Caption() const override;
  void SetCaption(const std::string& text) override;
  TScrollStyle ScrollBars() const { return m_scrollBars; }
  void SetScrollBars(TScrollStyle style);
  bool WordWrap() const { return m_wordWrap; }
  void SetWordWrap(bool wrap);
  // The length of the shown text in characters (a line break counts one).
  int GetTextLen() const;
  bool WantReturns() const { return m_wantReturns; }
  void SetWantReturns(bool want) { m_wantReturns = want; }

  bool ReadOnly() const override;
  void SetReadOnly(bool readOnly) override;
  int SelStart() const override;
  int SelLength() const override;
  void SetSelStart(int start) override;
  void SetSelLength(int length) override;
  std::string SelText() const override;
  void SetSelText(const std::string& text) override;
  void SelectAll() override;
  void CopyToClipboard() override;
  void CutToClipboard() override;
  void PasteFromClipboard() override;

 protected:
  explicit TCustomMemo(TWinControl* parent);
  bool WantsReturns() const override { return m_wantReturns && !ReadOnly(); }

 private:
  std::unique_ptr<TControlStrings> m_lines;
  TScrollStyle m_scrollBars = ssNone;
  bool m_wordWrap = true;
  bool m_wantReturns = true;
};

class TMemo : public TCustomMemo {
 public:
  explicit TMemo(TWinControl* parent) : TCustomMemo(parent) {}
  std::string ClassName() const override { return "TMemo"; }
};

// Shown as plain text only; adds the search of the rich edit control.
class TRichEdit : public TCustomMemo {
 public:
  explicit TRichEdit(TWinControl* parent) : TCustomMemo(parent) {}
  std::string ClassName() const override { return "TRichEdit"; }

  // Only plain text is shown; the setting is kept for the form's sake.
  bool PlainText() const { return m_plainText; }
  void SetPlainText(bool plain) { m_plainText = plain; }
  // The first position of text within [start, start + length) of the
  // control's text, or -1. stMatchCase compares case; stWholeWord wants no
  // letter or digit just before and after the hit.
  int FindText(const std::string& text, int start, int length, TSearchTypes options) const;

 private:
  bool m_plainText = true;
};
