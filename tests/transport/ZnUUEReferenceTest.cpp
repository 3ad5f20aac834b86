// The attachment encoder against the reference decoders a receiver would use:
// coreutils "base64 -d" and sharutils "uudecode" give back exactly the bytes
// that were encoded, for random inputs of every small length, of lengths
// around the 45-byte line boundaries and for a few large ones.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <future>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/ProgramRun.h"
#include "tests/support/Sandbox.h"
#include "transport/ZnUUE.h"

namespace {


// The same bytes for the same length in every run.
std::string RandomBytes(size_t count) {
  std::mt19937 generator(20261208u + static_cast<std::uint32_t>(count));
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(generator));
  return bytes;
}

// CR LF as a Unix receiver stores a mail's lines: coreutils refuses the CR
// as garbage, while uudecode takes the lines as they come off the wire.
std::string WithUnixLineEnds(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
  return lines;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::string FirstDifference(const std::string& decoded, const std::string& input) {
  size_t i = 0;
  while (i < decoded.size() && i < input.size() && decoded[i] == input[i]) ++i;
  return "decoded " + std::to_string(decoded.size()) + " bytes of " + std::to_string(input.size()) +
         ", first difference at byte " + std::to_string(i);
}

struct ReferenceDecoder {
  UUMethods method;
  const char* program;
  const char* package;  // the Debian package that brings it
};

void PrintTo(const ReferenceDecoder& decoder, std::ostream* out) { *out << decoder.program; }

const ReferenceDecoder kBase64{uuMime, "base64", "coreutils"};
const ReferenceDecoder kUudecode{uuCode, "uudecode", "sharutils"};

struct Lengths {
  const char* name;
  std::vector<size_t> counts;
};

void PrintTo(const Lengths& lengths, std::ostream* out) { *out << lengths.name; }

Lengths EveryLengthUpTo300() {
  Lengths lengths{"EveryLengthUpTo300", {}};
  for (size_t n = 0; n <= 300; ++n) lengths.counts.push_back(n);
  return lengths;
}

// Two bytes either side of each line end (45 input bytes a line) past 300.
Lengths AroundLineBoundaries() {
  Lengths lengths{"AroundLineBoundaries", {}};
  for (size_t line = 7; line <= 60; ++line)
    for (size_t n = line * 45 - 2; n <= line * 45 + 2; ++n) lengths.counts.push_back(n);
  return lengths;
}

Lengths Large() { return {"Large", {65536, 1000003, 4500001}}; }

// Decoders run side by side: starting a process costs far more here than
// the decoding itself.
constexpr size_t kWorkers = 8;

class ReferenceDecoderTest
    : public SandboxTest,
      public ::testing::WithParamInterface<std::tuple<ReferenceDecoder, Lengths>> {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    ASSERT_TRUE(ProgramInstalled(Decoder().program))
        << Decoder().program << " is missing: install the Debian package " << Decoder().package
        << " (scripts/setup does)";
  }

  const ReferenceDecoder& Decoder() const { return std::get<0>(GetParam()); }

  // Empty when the decoder gives back random input of count bytes, else what went wrong.
  std::string Mismatch(size_t count) const {
    const std::string input = RandomBytes(count);
    const std::string encodedPath = Root() + "/" + std::to_string(count) + ".txt";
    const std::string decodedPath = Root() + "/" + std::to_string(count) + ".bin";
    const std::string text = EncodedLines(input, Decoder().method);
    int status = -1;
    if (Decoder().method == uuMime) {
      WriteFile(encodedPath, WithUnixLineEnds(text));
      status = RunProgram({"base64", "-d"}, encodedPath, decodedPath);
    } else {
      WriteFile(encodedPath, "begin 644 data.bin\r\n" + text + "end\r\n");
      status = RunProgram({"uudecode", "-o", decodedPath, encodedPath}, "", "");
    }
    const std::string decoded = ReadFile(decodedPath);
    if (status == 0 && decoded == input) return "";
    return "input of " + std::to_string(count) + " bytes: " + Decoder().program + " exit status " +
           std::to_string(status) + ", " + FirstDifference(decoded, input);
  }

  // The first mismatch among every step-th length from first.
  std::string FirstMismatch(size_t first, size_t step) const {
    const std::vector<size_t>& counts = std::get<1>(GetParam()).counts;
    for (size_t i = first; i < counts.size(); i += step)
      if (std::string mismatch = Mismatch(counts[i]); !mismatch.empty()) return mismatch;
    return "";
  }
};

TEST_P(ReferenceDecoderTest, GivesBackTheEncodedBytes) {
  std::vector<std::future<std::string>> workers;
  for (size_t first = 0; first < kWorkers; ++first)
    workers.push_back(
        std::async(std::launch::async, [this, first] { return FirstMismatch(first, kWorkers); }));
  for (auto& worker : workers) EXPECT_EQ(worker.get(), "");
}

INSTANTIATE_TEST_SUITE_P(RandomInputs, ReferenceDecoderTest,
                         ::testing::Combine(::testing::Values(kBase64, kUudecode),
                                            ::testing::Values(EveryLengthUpTo300(),
                                                              AroundLineBoundaries(), Large())),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).program) +
                                  std::get<1>(info.param).name;
                         });

}  // namespace
