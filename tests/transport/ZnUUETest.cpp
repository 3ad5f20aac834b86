// The attachment encoder: base64 and uuencode lines from a stream.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/NativeFiles.h"
#include "tests/support/ScratchFolder.h"
#include "transport/ZnUUE.h"

namespace {


// Deterministic bytes covering all 256 values.
std::string Bytes(size_t count) {
  std::string bytes;
  for (size_t i = 0; i < count; ++i) bytes += static_cast<char>((i * 167 + 13) & 0xFF);
  return bytes;
}

struct Vector {
  std::string input;
  std::string output;
};

class Base64VectorTest : public ::testing::TestWithParam<Vector> {};

TEST_P(Base64VectorTest, EncodesAsRfc4648) {
  EXPECT_EQ(EncodedLines(GetParam().input, uuMime), GetParam().output);
}

// RFC 4648, section 10, each line ended by CR LF.
INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64VectorTest,
                         ::testing::Values(Vector{"", ""}, Vector{"f", "Zg==\r\n"},
                                           Vector{"fo", "Zm8=\r\n"}, Vector{"foo", "Zm9v\r\n"},
                                           Vector{"foob", "Zm9vYg==\r\n"},
                                           Vector{"fooba", "Zm9vYmE=\r\n"},
                                           Vector{"foobar", "Zm9vYmFy\r\n"},
                                           Vector{"\xff\xfe\xfd", "//79\r\n"}));

class UUVectorTest : public ::testing::TestWithParam<Vector> {};

TEST_P(UUVectorTest, EncodesWithLengthCharacterAndNoFill) {
  EXPECT_EQ(EncodedLines(GetParam().input, uuCode), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    KnownInputs, UUVectorTest,
    ::testing::Values(
        Vector{"", "`\r\n"}, Vector{"abc", "#86)C\r\n`\r\n"}, Vector{"a", "!80\r\n`\r\n"},
        Vector{"ab", "\"86(\r\n`\r\n"}, Vector{"foobar", "&9F]O8F%R\r\n`\r\n"},
        Vector{std::string(3, '\0'), "#````\r\n`\r\n"}, Vector{"\xff\xfe\xfd", "#__[]\r\n`\r\n"},
        // 14 bytes: the length character is "." itself.
        Vector{std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d", 14),
               ".``$\"`P0%!@<(\"0H+#`T\r\n`\r\n"}));

struct LineShape {
  size_t inputBytes;
  UUMethods method;
  std::vector<size_t> lineLengths;  // without CR LF
};

class LineShapeTest : public ::testing::TestWithParam<LineShape> {};

TEST_P(LineShapeTest, CutsLinesEvery45InputBytes) {
  std::string text = EncodedLines(Bytes(GetParam().inputBytes), GetParam().method);
  std::vector<size_t> lengths;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
    lengths.push_back(end - start);
    start = end + 2;
  }
  EXPECT_EQ(lengths, GetParam().lineLengths);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, LineShapeTest,
    ::testing::Values(LineShape{45, uuMime, {60}}, LineShape{46, uuMime, {60, 4}},
                      LineShape{47, uuMime, {60, 4}}, LineShape{90, uuMime, {60, 60}},
                      LineShape{45, uuCode, {61, 1}}, LineShape{46, uuCode, {61, 3, 1}},
                      LineShape{47, uuCode, {61, 4, 1}}, LineShape{91, uuCode, {61, 61, 3, 1}}));

class CoreutilsBase64Test : public ::testing::TestWithParam<size_t> {
 protected:
  ScratchFolder m_folder;
};

// coreutils wraps at 60 characters, which is exactly 45 input bytes.
TEST_P(CoreutilsBase64Test, MatchesBase64Wrapped) {
  std::string bytes = Bytes(GetParam());
  const std::string path = m_folder.Path("base64-input");
  WriteNativeFile(path, bytes);
  FILE* pipe = popen(("base64 -w 60 '" + path + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string expected;
  for (int c; (c = std::fgetc(pipe)) != EOF;)
    expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_EQ(EncodedLines(bytes, uuMime), expected);
}

INSTANTIATE_TEST_SUITE_P(ManyLengths, CoreutilsBase64Test,
                         ::testing::Values(1, 2, 3, 44, 45, 46, 89, 90, 91, 1000, 4096));

TEST(EncoderTest, LeavesOutputAtItsStartAndFiresBothEventsForEmptyInput) {
  TMemoryStream input;
  TMemoryStream output;
  TZnUUProcessor encoder(nullptr);
  std::vector<std::string> events;
  encoder.OnBeginEncode = [&](TObject* sender) {
    events.push_back(sender == &encoder ? "begin" : "begin from another sender");
  };
  encoder.OnEndEncode = [&](TObject*) {
    events.push_back("end at " + std::to_string(output.Position()));
  };
  encoder.Method = uuCode;
  encoder.inputStream = &input;
  encoder.outputStream = &output;
  encoder.Encode();
  EXPECT_EQ(events, (std::vector<std::string>{"begin", "end at 0"}));
  EXPECT_EQ(output.Position(), 0);
}

TEST(EncoderTest, EncodesFromTheStartOfTheInputWhereverItStands) {
  TMemoryStream input;
  TMemoryStream output;
  input.Write("foo", 3);  // position now at the end
  TZnUUProcessor encoder(nullptr);
  encoder.inputStream = &input;
  encoder.outputStream = &output;
  encoder.Encode();
  EXPECT_EQ(std::string(output.Memory(), output.Size()), "Zm9v\r\n");
}

}  // namespace
