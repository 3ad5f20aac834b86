#pragma once
// Dorvane's side of a reply: the shown body quoted into a scratch file in
// the temporary folder, and Quillet started beside Dorvane with one mailto:
// argument naming the sender, "Re." and the Subject, and that file.

#include <string>
#include <string_view>
#include <vector>

// How a hand-over to another program went.
enum class HandOver {
  Started,
  NoScratchFile,  // the scratch file could not be made or carried
  NotStarted,     // the program could not be started
};

// The mail as the main window shows it (Shift-JIS).
struct ShownMail {
  std::vector<std::string> lines;  // of the body
  std::string from;
  std::string subject;
};

// Writes ">" + line + CR LF for each line to a new private file
// "qult<n>.tmp" in TEMP and starts exeDir's quillet on it, not waiting. No
// field of the mail can add a field to the argument, and the argument stays
// within what Quillet reads by shortening the Subject. The file is removed
// again when Quillet cannot be started.
HandOver StartReply(const ShownMail& mail, std::string_view exeDir);
