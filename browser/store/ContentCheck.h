#pragma once
// Check values over bytes: what the journal notes of what a store call has
// read or is about to write, so that recovery can tell its own bytes by
// their content and never takes another program's for them.

#include <cstdint>
#include <string_view>
#include <vector>

// A 64-bit check of bytes; equal bytes give equal checks, and any other
// bytes a different one but by chance.
uint64_t CheckOf(std::string_view bytes);

// A write to a file is cut short by a kill or a power cut only where a page
// of the file begins: the page cache copies, and the disk keeps, whole
// pages. Each page a write covers gets a check of its own, so that a write
// cut short is still told by the pages that arrived.
inline constexpr uint64_t kCheckedPage = 4096;

// The part of the page at index `page` (counted from the write's first page)
// that a write of length bytes at offset covers: [begin, end) in the write.
struct PageSpan {
  uint64_t begin = 0;
  uint64_t end = 0;
};
PageSpan PageOfWrite(uint64_t offset, uint64_t length, size_t page);
size_t PagesOfWrite(uint64_t offset, uint64_t length);

// The 32-bit check of each page of bytes written at offset.
std::vector<uint32_t> PageChecks(uint64_t offset, std::string_view bytes);
uint32_t PageCheckOf(std::string_view pageBytes);
