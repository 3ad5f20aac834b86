#pragma once
// The drawer path rule: which two files a row of the drawer list stands for.
// PostPet's rows (the book and its coloured drawers) lie under the PostPet
// folder, Dorvane's own drawers under the program's folder, each in the
// book's folder 受信フォルダ or 送信フォルダ.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One book as the main window holds it. Paths are Shift-JIS with "\".
struct BookPlace {
  std::string ppPath;  // the PostPet folder (PPPATH); empty when none is set
  std::string exeDir;  // the program's folder, without a trailing separator
  bool isReceiveBook = true;
  int fixedDrawerCount = 10;  // FixedDrawerCount(isReceiveBook)
};

// The receive book's own drawers while its DrawerNameFile is missing.
inline constexpr const char* kSecretDiary = "ひみつ日記";
inline constexpr const char* kPetMail = "ペットメール";

// A book's DrawerNameFile, and the own drawers the book shows while it is missing.
struct DrawerNameFile {
  std::string path;
  std::string programFolder;           // locked while the file is read and saved
  std::vector<std::string> defaults;   // the receive book's two drawers; none in the send book
};

// dorvndwl.cfg or dorvnsdl.cfg in the program's folder.
DrawerNameFile DrawerNameFileOf(const BookPlace& book);

// An own drawer's row: its name as the book's DrawerNameFile lists it. A
// drawer is written only while its row is listed there, since files no row
// names are shown by no window.
struct OwnRow {
  std::string name;
  DrawerNameFile nameFile;
};

// A drawer's files and the book folder that holds them. A book lies in two
// folders of one name, PostPet's and the program's own; every store call
// locks both and recovers both, since one operation may span them.
struct DrawerFiles {
  std::string folder;
  std::string listPath;     // the ListFile
  std::string mailPath;     // the MailFile
  std::string otherFolder;  // the book's other folder; empty when there is none
  bool ownFolder = false;   // folder is the program's own, otherFolder PostPet's
  std::optional<OwnRow> ownRow;  // an own drawer's row; none for PostPet's rows and the store's own files
};

// A folder of a book, PostPet's or the program's own.
struct BookFolder {
  std::string path;
  bool own = false;
};

// Suffixes of the files a store call keeps beside a drawer's own while it
// runs (the new pair of a rewrite, and the journal); the journal's is the
// longest.
inline constexpr std::string_view kScratchSuffix = ".new";
inline constexpr std::string_view kJournalSuffix = ".jnl";

// Makes the book folders Dorvane's own drawers lie in, 受信フォルダ and
// 送信フォルダ in the program folder exeDir, where they are missing (one
// level). A folder that cannot be made is no error here: the first append
// to one of its drawers reports it.
void CreateOwnBookFolders(std::string_view exeDir);

// The last part of a Shift-JIS path with "\": after its last separator,
// judged per character, so that ソ or 表 in a drawer's name (second byte
// 0x5C) is no separator.
std::string FileNameOf(std::string_view path);

int FixedDrawerCount(bool isReceiveBook);
// The texts of the fixed rows: the book, then PostPet's coloured drawers.
std::vector<std::string> FixedDrawerNames(bool isReceiveBook);

// The files of drawer row `row` whose text is rowText, with its OwnRow when
// it is an own drawer. None for a negative row, for PostPet's rows while no
// PostPet folder is set, and for a name that IsValidDrawerName refuses;
// callers treat none as failing to open the file.
std::optional<DrawerFiles> GetDrawerFiles(const BookPlace& book, int row, std::string_view rowText);

// The one rule for a drawer name that becomes a file name: no "\" or "/"
// (judged per character, so ソ and 表, whose second byte is 0x5C, pass), no
// control character, not "." or "..", and short enough that every file made
// from it, the rewrite's own included, fits the file system's name limit.
// CheckDrawerName tells a name that is only too long (TooLong) from one that
// no shortening would make usable (Unusable).
enum class DrawerNameFault { None, Unusable, TooLong };
DrawerNameFault CheckDrawerName(std::string_view name);
bool IsValidDrawerName(std::string_view name);
// A name that others chose (a friend book's owner and pet), made usable:
// each character the rule refuses becomes "_", "." and ".." become "_", and
// a name too long is cut at a character boundary until it fits.
std::string UsableDrawerName(std::string_view proposed);
// What a dialog says of a refused name; nullptr for DrawerNameFault::None.
const char* DrawerNameFaultText(DrawerNameFault fault);
