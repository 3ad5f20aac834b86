#include "browser/store/DrawerPaths.h"

#include <iterator>

#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/text/ShiftJis.h"

namespace {

constexpr size_t kMaxFileNameBytes = 255;  // NAME_MAX, counted in UTF-8 on disk
constexpr const char* kListNameFormat = "%sリスト.ppl";
constexpr const char* kMailNameFormat = "%s.ppm";

const char* const kReceiveColours[] = {"黄色", "紫", "ピンク", "黒", "水色",
                                       "赤", "茶色", "緑色", "橙色"};
constexpr int kSendColourCount = 3;

// Judged on the decoded name, as the path reaches the file system: a byte
// 0x5C that ends a double-byte character is no separator, while one after a
// lone lead byte is.
bool HasForbiddenCharacter(const std::string& utf8) {
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const bool c1Control = b == 0xC2 && i + 1 < utf8.size() &&
                           static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
    if (b == '\\' || b == '/' || b < 0x20 || b == 0x7F || c1Control) return true;
  }
  return false;
}

bool IsForbiddenCharacter(std::string_view utf8Char) {
  return HasForbiddenCharacter(std::string(utf8Char));
}

std::string ReplaceForbiddenCharacters(std::string_view sjis) {
  const std::string utf8 = platform::Utf8FromSjis(sjis);
  std::string mended;
  for (size_t i = 0; i < utf8.size();) {
    size_t length = 1;
    while (i + length < utf8.size() && (static_cast<unsigned char>(utf8[i + length]) & 0xC0) == 0x80) ++length;
    const std::string_view character(utf8.data() + i, length);
    mended += IsForbiddenCharacter(character) ? std::string_view("_") : character;
    i += length;
  }
  return platform::SjisFromUtf8(mended);
}

bool FitsNameLimit(std::string_view name) {
  const std::string longest =
      Format(kListNameFormat, std::string(name).c_str()) + std::string(kJournalSuffix);
  return platform::Utf8FromSjis(longest).size() <= kMaxFileNameBytes;
}

std::string BookFolderIn(const std::string& base, bool isReceiveBook) {
  return Format(isReceiveBook ? "%s\\受信フォルダ" : "%s\\送信フォルダ", base.c_str());
}

}  // namespace

void CreateOwnBookFolders(std::string_view exeDir) {
  for (const bool isReceiveBook : {true, false}) platform::CreateDir(BookFolderIn(std::string(exeDir), isReceiveBook));
}

std::string FileNameOf(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\') start = i + 1;
    else if (platform::IsSjisLeadByte(static_cast<unsigned char>(path[i]))) ++i;
  }
  return std::string(path.substr(start));
}

DrawerNameFile DrawerNameFileOf(const BookPlace& book) {
  return {Format(book.isReceiveBook ? "%s\\dorvndwl.cfg" : "%s\\dorvnsdl.cfg", book.exeDir.c_str()), book.exeDir,
          book.isReceiveBook ? std::vector<std::string>{kSecretDiary, kPetMail} : std::vector<std::string>{}};
}

int FixedDrawerCount(bool isReceiveBook) { return isReceiveBook ? 10 : 4; }

std::vector<std::string> FixedDrawerNames(bool isReceiveBook) {
  std::vector<std::string> names{isReceiveBook ? "受信簿" : "送信簿"};
  const int colours = isReceiveBook ? static_cast<int>(std::size(kReceiveColours)) : kSendColourCount;
  for (int i = 0; i < colours; ++i) names.push_back(Format("%sの引出し", kReceiveColours[i]));
  return names;
}

DrawerNameFault CheckDrawerName(std::string_view name) {
  if (name == "." || name == ".." || HasForbiddenCharacter(platform::Utf8FromSjis(name)))
    return DrawerNameFault::Unusable;
  return FitsNameLimit(name) ? DrawerNameFault::None : DrawerNameFault::TooLong;
}

bool IsValidDrawerName(std::string_view name) { return CheckDrawerName(name) == DrawerNameFault::None; }

std::string UsableDrawerName(std::string_view proposed) {
  std::string name = ReplaceForbiddenCharacters(proposed);
  if (name == "." || name == "..") name = "_";
  while (CheckDrawerName(name) == DrawerNameFault::TooLong)
    name.resize(platform::SjisPrefixLength(name, name.size() - 1));
  return name;
}

const char* DrawerNameFaultText(DrawerNameFault fault) {
  switch (fault) {
    case DrawerNameFault::Unusable: return "引出し名に使えない文字が含まれています";
    case DrawerNameFault::TooLong: return "引出し名が長すぎます";
    case DrawerNameFault::None: break;
  }
  return nullptr;
}

std::optional<DrawerFiles> GetDrawerFiles(const BookPlace& book, int row, std::string_view rowText) {
  if (row < 0) return std::nullopt;
  const std::string& base = row < book.fixedDrawerCount ? book.ppPath : book.exeDir;
  if (base.empty() || (row != 0 && !IsValidDrawerName(rowText))) return std::nullopt;
  const std::string stem(rowText);
  DrawerFiles files;
  files.folder = BookFolderIn(base, book.isReceiveBook);
  files.ownFolder = row >= book.fixedDrawerCount;
  const std::string& otherBase = row < book.fixedDrawerCount ? book.exeDir : book.ppPath;
  if (!otherBase.empty()) files.otherFolder = BookFolderIn(otherBase, book.isReceiveBook);
  const std::string listName = row == 0 ? (book.isReceiveBook ? "受信リスト.ppl" : "送信リスト.ppl")
                                        : Format(kListNameFormat, stem.c_str());
  const std::string mailName = row == 0 ? (book.isReceiveBook ? "受信メール.ppm" : "送信メール.ppm")
                                        : Format(kMailNameFormat, stem.c_str());
  files.listPath = files.folder + "\\" + listName;
  files.mailPath = files.folder + "\\" + mailName;
  if (files.ownFolder) files.ownRow = OwnRow{stem, DrawerNameFileOf(book)};
  return files;
}
