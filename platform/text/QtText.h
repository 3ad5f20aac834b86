#pragma once
// Qt's side of the text edge; only platform/ includes this.

#include <QString>
#include <string>
#include <string_view>

namespace platform {

QString ToQString(std::string_view sjis);
std::string FromQString(const QString& text);

}  // namespace platform
