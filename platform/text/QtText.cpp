#include "platform/text/QtText.h"

#include "platform/text/ShiftJis.h"

namespace platform {

QString ToQString(std::string_view sjis) { return QString::fromStdString(Utf8FromSjis(sjis)); }

std::string FromQString(const QString& text) { return SjisFromUtf8(text.toStdString()); }

}  // namespace platform
