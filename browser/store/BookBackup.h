#pragma once
// Backing up the PostPet files of one book (the book's pair and PostPet's
// coloured drawers; never Dorvane's own drawers) into a new folder of the
// PostPet folder named by the book's letter and a time stamp, "R" or "S"
// followed by "mmddhhmmss". The copies lie directly in that folder under
// their own names. There is no restore: a backup is a plain folder of copies.

#include <string>
#include <string_view>

#include "browser/store/StoreResult.h"

// "<ppPath>\R<stamp>" for the receive book, "<ppPath>\S<stamp>" for the send book.
std::string BackupFolderOf(std::string_view ppPath, bool isReceiveBook, std::string_view stamp);

// Copies, in this order, each drawer's MailFile, then its ListFile: the book
// first, then the coloured drawers (in the receive book yellow, purple, pink,
// green, black, red, orange, light blue, brown).
// Creates the backup folder (one level; an existing one is never written
// into) and copies every file of the book that exists, each drawer's pair
// under its book folder's lock and after the folder's recovery, so that a
// filing in progress never tears a copied pair. A missing file is skipped without a
// word. kBackupFailed when the folder cannot be created (nothing copied), or
// once, after every other file was tried, when a file that exists could not
// be copied; also when no PostPet folder is set.
StoreResult BackupBook(std::string_view ppPath, bool isReceiveBook, std::string_view stamp);
