#include "platform/forms/Memo.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "platform/forms/Bridge.h"

using namespace platform::forms;

namespace {

QPlainTextEdit* EditOf(const TCustomMemo* memo) { return static_cast<QPlainTextEdit*>(memo->Widget()); }

// The shown text with "\n" for each line break, whatever the input used.
QString ShownText(const std::string& raw) {
  QString text = Q(raw);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace('\r', '\n');
  return text;
}

class MemoLines : public TControlStrings {
 public:
  explicit MemoLines(TCustomMemo* memo) : m_memo(memo) {}

  int Count() const override {
    QTextDocument* doc = Document();
    int blocks = doc->blockCount();
    return doc->lastBlock().length() <= 1 ? blocks - 1 : blocks;
  }
  std::string Strings(int index) const override {
    CheckIndex(index, Count());
    return S(Document()->findBlockByNumber(index).text());
  }
  void Put(int index, const std::string& text) override {
    CheckIndex(index, Count());
    QTextCursor cursor(Document()->findBlockByNumber(index));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(ShownText(text));
  }
  // As the edit control does: a line goes before the line of its index, or
  // after the last line when there is none there.
  void Insert(int index, const std::string& text) override {
    CheckIndex(index, Count() + 1);
    QTextDocument* doc = Document();
    if (index < doc->blockCount()) {
      QTextCursor(doc->findBlockByNumber(index)).insertText(ShownText(text) + '\n');
      return;
    }
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText('\n' + ShownText(text));
  }
  void Delete(int index) override {
    CheckIndex(index, Count());
    QTextBlock block = Document()->findBlockByNumber(index);
    QTextCursor cursor(block);
    if (block.next().isValid()) {
      cursor.setPosition(block.next().position(), QTextCursor::KeepAnchor);
    } else {
      if (block.previous().isValid()) cursor.setPosition(block.position() - 1);
      cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
  }
  void Clear() override { m_memo->SetText(""); }
  std::string Text() const override {
    std::string text;
    for (int i = 0; i < Count(); ++i) text += Strings(i) + "\r\n";
    return text;
  }
  void SetText(const std::string& text) override { m_memo->SetText(text); }

 private:
  QTextDocument* Document() const { return EditOf(m_memo)->document(); }
  TCustomMemo* m_memo;
};

}  // namespace

TCustomMemo::TCustomMemo(TWinControl* parent)
    : TCustomEdit(parent, new Hooked<QPlainTextEdit>(this, ParentWidgetOf(parent))),
      Lines(new MemoLines(this)),
      m_lines(Lines) {
  QPlainTextEdit* edit = EditOf(this);
  SetScrollBars(ssNone);
  SetWordWrap(true);
  // As the class library's multi-line edit that wants no tabs: Tab and
  // Shift+Tab move the focus on; a pasted tab still lands in the text.
  edit->setTabChangesFocus(true);
  QObject::connect(edit, &QPlainTextEdit::textChanged, [this] { Changed(); });
}

TCustomMemo::~TCustomMemo() = default;

std::string TCustomMemo::Caption() const {
  QString text = EditOf(this)->toPlainText();
  text.replace('\n', QStringLiteral("\r\n"));
  return S(text);
}

void TCustomMemo::SetCaption(const std::string& text) {
  QString shown = ShownText(text);
  if (shown == EditOf(this)->toPlainText()) return;
  EditOf(this)->setPlainText(shown);
}

void TCustomMemo::SetScrollBars(TScrollStyle style) {
  m_scrollBars = style;
  ApplyScrollBars(EditOf(this), style, Qt::ScrollBarAlwaysOn);
}

void TCustomMemo::SetWordWrap(bool wrap) {
  m_wordWrap = wrap;
  EditOf(this)->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

int TCustomMemo::GetTextLen() const { return EditOf(this)->document()->characterCount() - 1; }

bool TCustomMemo::ReadOnly() const { return EditOf(this)->isReadOnly(); }

void TCustomMemo::SetReadOnly(bool readOnly) {
  QPlainTextEdit* edit = EditOf(this);
  edit->setReadOnly(readOnly);
  // A read-only text still lets the user select and copy with mouse and keys.
  if (readOnly) edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

int TCustomMemo::SelStart() const { return EditOf(this)->textCursor().selectionStart(); }

int TCustomMemo::SelLength() const {
  QTextCursor cursor = EditOf(this)->textCursor();
  return cursor.selectionEnd() - cursor.selectionStart();
}

namespace {

int Clamped(const QPlainTextEdit* edit, int position) {
  int last = edit->document()->characterCount() - 1;
  return std::clamp(position, 0, std::max(last, 0));
}

}  // namespace

void TCustomMemo::SetSelStart(int start) {
  QTextCursor cursor = EditOf(this)->textCursor();
  cursor.setPosition(Clamped(EditOf(this), start));
  EditOf(this)->setTextCursor(cursor);
}

void TCustomMemo::SetSelLength(int length) {
  QTextCursor cursor = EditOf(this)->textCursor();
  int start = cursor.selectionStart();
  cursor.setPosition(start);
  cursor.setPosition(Clamped(EditOf(this), start + std::max(length, 0)), QTextCursor::KeepAnchor);
  EditOf(this)->setTextCursor(cursor);
}

std::string TCustomMemo::SelText() const {
  QString text = EditOf(this)->textCursor().selectedText();
  text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
  return S(text);
}

void TCustomMemo::SetSelText(const std::string& text) { EditOf(this)->textCursor().insertText(ShownText(text)); }
void TCustomMemo::SelectAll() { EditOf(this)->selectAll(); }
void TCustomMemo::CopyToClipboard() { EditOf(this)->copy(); }
void TCustomMemo::CutToClipboard() { EditOf(this)->cut(); }
void TCustomMemo::PasteFromClipboard() { EditOf(this)->paste(); }


namespace {

bool IsWordCharacter(const QString& text, int position) {
  return position >= 0 && position < text.size() && (text[position].isLetterOrNumber() || text[position] == '_');
}

}  // namespace

int TRichEdit::FindText(const std::string& text, int start, int length, TSearchTypes options) const {
  QString needle = ShownText(text);
  if (needle.isEmpty() || start < 0 || length <= 0) return -1;
  QString haystack = EditOf(this)->toPlainText();
  int end = std::min<qsizetype>(haystack.size(), static_cast<qsizetype>(start) + length);
  Qt::CaseSensitivity sensitivity = (options & stMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
  for (qsizetype at = haystack.indexOf(needle, start, sensitivity); at >= 0 && at + needle.size() <= end;
       at = haystack.indexOf(needle, at + 1, sensitivity)) {
    bool whole = !IsWordCharacter(haystack, static_cast<int>(at) - 1) &&
                 !IsWordCharacter(haystack, static_cast<int>(at + needle.size()));
    if (!(options & stWholeWord) || whole) return static_cast<int>(at);
  }
  return -1;
}
