#pragma once
// The external viewer: the shown body handed to another program through a
// scratch file in the program folder, replaced at every use.

#include <string_view>

#include "browser/ReplyHandOver.h"

// A body holding "<!DOCTYPE HTML" (exactly so) goes, from that text on, to
// the desktop's handler for HTML files as dorvnview.htm; any other body goes
// whole to viewerPath as dorvnview.tmp. The file's lines end in CR LF.
// Nothing waits for the viewer. EFCreateError when the file cannot be
// written; nothing is started then.
HandOver OpenInViewer(std::string_view bodyText, std::string_view viewerPath, std::string_view exeDir);

// Removes dorvnview.tmp from exeDir, as Dorvane does when it closes; the
// HTML copy stays for the browser that may still be showing it. A missing
// file is no error.
void RemoveViewerTextCopy(std::string_view exeDir);
