#pragma once
// The two date texts of a mail Quillet sends: the Date header, and the date
// of the send book's record.

#include <ctime>
#include <string>

// Sets the class library's day and month names to English for the whole
// process, as Quillet does at start: short day names with their comma
// ("Sun,"), long month names ("January"), short month names ("Jan").
void SetEnglishDateNames();

// RFC 5322 date-time in local time with the numeric zone, in English
// whatever the names or the locale: "Tue, 07 Dec 1999 17:01:02 +0900".
std::string Rfc5322Date(std::time_t when);

// The record's date: the class library's "ddd dd mmmm yyyy hh:mm:ss" with
// the process's names; "Tue, 07 December 1999 17:01:02" once they are English.
std::string FilingDateText(std::time_t when);
