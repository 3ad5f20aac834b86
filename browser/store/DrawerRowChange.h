#pragma once
// Renaming and deleting an own drawer: its row in the DrawerNameFile and its
// two files change together. A row and its files that disagree hide mails
// (a row whose files are gone opens empty) or double them (files no row
// names come back under a drawer given their name later), so each change
// writes a journal first, "dorvndwl.cfg.jnl" beside the DrawerNameFile, made
// durable before any file is touched. The saved DrawerNameFile commits the
// change. Every step is durable (its folder synced) before the next.
//
// | a rename killed or cut off      | found, and what recovery does            |
// |---------------------------------|------------------------------------------|
// | before the journal is durable   | no journal: nothing was changed          |
// | while copying the files         | the names as before: the copies go       |
// | after the names were saved      | the names as after: the old files go     |
// | after the old files went        | the names as after: the journal goes     |
//
// | a delete killed or cut off      | found, and what recovery does            |
// |---------------------------------|------------------------------------------|
// | before the journal is durable   | no journal: nothing was changed          |
// | before the names were saved     | the names as before: the journal goes    |
// | after the names were saved      | the names as after: the files go         |
//
// Which row of a table holds the DrawerNameFile tells: recovery compares it
// with the names the journal says the change saves. The journal is written
// whole or not at all (written beside and renamed), so a damaged one was
// never relied on and goes. Recovery runs under the program folder's lock
// before every change of the names, so no row is added on top of files a
// change left.

#include <string>
#include <vector>

#include "browser/store/DrawerNameFile.h"
#include "browser/store/DrawerPaths.h"
#include "browser/store/StoreResult.h"

// names: the DrawerNameFile as the change saves it. The caller holds the
// program folder's lock and has recovered (RecoverDrawerRows). A change
// whose journal stays (a file could not be removed, or the names were saved
// but not made durable) is finished by the next recovery.
// Renames the drawer whose files are `from` to the row newName (files `to`):
// CopyFailed when the drawer has no files or a copy fails, CannotCreateFile
// when the names cannot be saved; then nothing has changed.
StoreResult RenameDrawerRow(const DrawerNameFile& file, const std::vector<std::string>& names,
                            const std::string& newName, const DrawerFiles& from, const DrawerFiles& to);
// Deletes the drawer whose files are `drawer` and saves names without its
// row; CannotCreateFile, with nothing changed, when the names cannot be saved.
StoreResult DeleteDrawerRow(const DrawerNameFile& file, const std::vector<std::string>& names,
                            const DrawerFiles& drawer);

// Finishes or takes back what a change killed part-way left, judged by the
// names the DrawerNameFile holds now. The caller holds the program folder's
// lock.
void RecoverDrawerRows(const DrawerNameFile& file);
