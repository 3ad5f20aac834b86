#include "browser/store/ContentCheck.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ULL;

uint64_t Word(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

uint64_t Round(uint64_t lane, uint64_t word) {
  lane = (lane + word) * kPrime1;
  return (lane << 31) | (lane >> 33);
}

uint64_t Avalanche(uint64_t hash) {
  hash ^= hash >> 33;
  hash *= kPrime2;
  hash ^= hash >> 29;
  hash *= kPrime3;
  return hash ^ (hash >> 32);
}

}  // namespace

// Four independent lanes over 32-byte blocks, as xxHash64 does, each word
// mixed by one multiply: the checks of a mail's pages cost a small part of
// writing it.
uint64_t CheckOf(std::string_view bytes) {
  const char* p = bytes.data();
  const size_t n = bytes.size();
  uint64_t a = kPrime1 + kPrime2, b = kPrime2, c = 0, d = 0 - kPrime1;
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    a = Round(a, Word(p + i));
    b = Round(b, Word(p + i + 8));
    c = Round(c, Word(p + i + 16));
    d = Round(d, Word(p + i + 24));
  }
  const uint64_t lanes[4] = {a, b, c, d};
  uint64_t hash = n * kPrime3;
  for (uint64_t lane : lanes) hash = Round(hash ^ Round(0, lane), kPrime3);
  for (; i + 8 <= n; i += 8) hash = Round(hash, Word(p + i));
  for (; i < n; ++i) hash = Round(hash, static_cast<unsigned char>(p[i]));
  return Avalanche(hash);
}

size_t PagesOfWrite(uint64_t offset, uint64_t length) {
  if (length == 0) return 0;
  return static_cast<size_t>((offset + length - 1) / kCheckedPage - offset / kCheckedPage + 1);
}

PageSpan PageOfWrite(uint64_t offset, uint64_t length, size_t page) {
  const uint64_t pageStart = (offset / kCheckedPage + page) * kCheckedPage;
  const uint64_t begin = page == 0 ? 0 : pageStart - offset;
  const uint64_t end = std::min(length, pageStart + kCheckedPage - offset);
  return {begin, end};
}

uint32_t PageCheckOf(std::string_view pageBytes) {
  const uint64_t check = CheckOf(pageBytes);
  return static_cast<uint32_t>(check ^ (check >> 32));
}

std::vector<uint32_t> PageChecks(uint64_t offset, std::string_view bytes) {
  std::vector<uint32_t> checks(PagesOfWrite(offset, bytes.size()));
  for (size_t page = 0; page < checks.size(); ++page) {
    const PageSpan span = PageOfWrite(offset, bytes.size(), page);
    checks[page] = PageCheckOf(bytes.substr(span.begin, span.end - span.begin));
  }
  return checks;
}
