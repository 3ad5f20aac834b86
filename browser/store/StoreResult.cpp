#include "browser/store/StoreResult.h"

#include "platform/base/Format.h"
#include "platform/files/Files.h"

StoreResult StoreResult::FromLastError(StoreFailure failure, std::string path) {
  return {failure, std::move(path), platform::LastFileError()};
}

std::string StoreResult::Message() const {
  switch (failure) {
    case StoreFailure::None: return {};
    case StoreFailure::OutOfMemory: return kOutOfMemory;
    case StoreFailure::CannotOpenMailFile: return kCannotOpenMailFile;
    case StoreFailure::CannotOpenListFile: return kCannotOpenListFile;
    case StoreFailure::CannotCreateScratch: return kCannotCreateScratch;
    case StoreFailure::CannotWriteMail:
    case StoreFailure::MailFileFull: return kCannotWriteMail;
    case StoreFailure::CopyFailed: return kCopyFailed;
    case StoreFailure::BackupFailed: return kBackupFailed;
    case StoreFailure::DrawerChanged: return kDrawerChanged;
    case StoreFailure::CannotReadFile: return platform::CannotOpenFileText(path);
    case StoreFailure::CannotCreateFile: return platform::CannotCreateFileText(path);
    case StoreFailure::JournalRefused: return Format(kJournalRefusedFormat, path.c_str());
  }
  return {};
}
