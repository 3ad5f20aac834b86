#pragma once
// Labels, static texts, buttons, one-line edits, memos and check boxes.

#include <memory>
#include <string>

#include "platform/forms/ControlStrings.h"
#include "platform/forms/Controls.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TLabel : public TControl {
 public:
  explicit TLabel(TWinControl* parent);
  std::string ClassName() const override { return "TLabel"; }
  void SetCaption(const std::string& caption) override;
  void SetBounds(int left, int top, int width, int height) override;
  // With AutoSize (the default) the label takes the size of its text.
  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool autoSize);
  TAlignment Alignment() const { return m_alignment; }
  void SetAlignment(TAlignment alignment);
  bool Transparent() const { return m_transparent; }
  void SetTransparent(bool transparent);

 protected:
  void FontChanged() override;

 private:
  void FitText();

  bool m_autoSize = true;
  bool m_transparent = false;
  TAlignment m_alignment = taLeftJustify;
};

// A one-line text with an optional border and background; keeps the size
// it is given (AutoSize off) unless told otherwise.
class TStaticText : public TWinControl {
 public:
  explicit TStaticText(TWinControl* parent);
  std::string ClassName() const override { return "TStaticText"; }
  void SetCaption(const std::string& caption) override;
  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool autoSize);
  TAlignment Alignment() const { return m_alignment; }
  void SetAlignment(TAlignment alignment);
  TStaticBorderStyle BorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(TStaticBorderStyle style);

 protected:
  void FontChanged() override;

 private:
  void FitText();

  bool m_autoSize = false;
  TAlignment m_alignment = taLeftJustify;
  TStaticBorderStyle m_borderStyle = sbsNone;
};

// A push button. Click sets its form's ModalResult to the button's own
// (when not mrNone) and then runs OnClick; the handler may set it back.
// Enter presses the form's Default button, Escape its Cancel button.
class TButton : public TWinControl {
 public:
  explicit TButton(TWinControl* parent);
  std::string ClassName() const override { return "TButton"; }
  void SetCaption(const std::string& caption) override;
  bool Default() const { return m_default; }
  void SetDefault(bool isDefault);
  bool Cancel() const { return m_cancel; }
  void SetCancel(bool isCancel) { m_cancel = isCancel; }
  TModalResult ModalResult() const { return m_modalResult; }
  void SetModalResult(TModalResult result) { m_modalResult = result; }
  void Click() override;

 private:
  bool m_default = false;
  bool m_cancel = false;
  TModalResult m_modalResult = mrNone;
};

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TWinControl* parent);
  std::string ClassName() const override { return "TCheckBox"; }
  void SetCaption(const std::string& caption) override;
  bool Checked() const;
  void SetChecked(bool checked);  // runs OnClick as the class library does
};

// What a text control asks of the input method when it gets the focus.
enum TImeMode { imDontCare, imOpen };

// Selection in text controls: start and length in characters of the
// shown text, as the user sees them.
class TCustomEdit : public TWinControl {
 public:
  TImeMode ImeMode() const { return m_imeMode; }
  // imOpen: entering the control opens the input method, where the
  // desktop's input method lets a program do so.
  void SetImeMode(TImeMode mode) { m_imeMode = mode; }
  virtual bool ReadOnly() const = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual int SelStart() const = 0;
  virtual int SelLength() const = 0;
  virtual void SetSelStart(int start) = 0;
  virtual void SetSelLength(int length) = 0;
  virtual std::string SelText() const = 0;
  virtual void SetSelText(const std::string& text) = 0;  // replaces the selection
  virtual void SelectAll() = 0;
  virtual void CopyToClipboard() = 0;
  virtual void CutToClipboard() = 0;
  virtual void PasteFromClipboard() = 0;
  void Clear() { SetText(""); }

  TNotifyEvent OnChange;

 protected:
  // A text field stands on the window colour, as the class library's does.
  TCustomEdit(TWinControl* parent, QWidget* widget) : TWinControl(parent, widget) { SetColor(clWindow); }
  void Changed();
  void FocusChanged(bool gained) override;

 private:
  TImeMode m_imeMode = imDontCare;
};

class TEdit : public TCustomEdit {
 public:
  explicit TEdit(TWinControl* parent);
  std::string ClassName() const override { return "TEdit"; }
  std::string Caption() const override;
  void SetCaption(const std::string& text) override;
  int MaxLength() const { return m_maxLength; }
  void SetMaxLength(int bytes);  // Shift-JIS bytes; 0 for no limit
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

 private:
  int m_maxLength = 0;
};
