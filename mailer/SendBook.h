#pragma once
// Filing into PostPet's send book: the book itself (送信フォルダ with
// 送信メール.ppm and 送信リスト.ppl) of a chosen PostPet folder.

#include <string_view>

class MailEntry;

// Appends text and its record under the book's lock, the mail file first,
// and makes them durable before it returns. nullptr when filed; otherwise the
// message to show, and neither file holds any of it. The folder and its
// 送信フォルダ are never created.
const char* FileIntoSendBook(std::string_view ppPath, std::string_view exeDir,
                             const MailEntry& record, std::string_view text);
