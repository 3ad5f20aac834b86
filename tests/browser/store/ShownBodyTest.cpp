#include "browser/store/ShownBody.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/PostPetBuilder.h"
#include "tests/support/StoreSandbox.h"

namespace {

struct BodyCase {
  const char* name;
  std::string stored;   // the body bytes in the MailFile
  uint32_t bodyLength;  // what the record says
  std::string shown;
};

void PrintTo(const BodyCase& body, std::ostream* out) { *out << body.name; }

class ShownBodyTest : public StoreSandboxTest, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(ShownBodyTest, IsOneByteShortWithItsLastLineWhole) {
  const std::string header = "From: a@example.jp\r\n\r\n";
  const DrawerFiles book = DrawerOf(true, 0, "受信簿");
  std::filesystem::create_directories(platform::NativePath(book.folder));
  WriteBytes(book.mailPath, header + GetParam().stored);
  MailEntry entry;
  entry.bodyStart = static_cast<uint32_t>(header.size());
  entry.bodyLength = GetParam().bodyLength;
  const MailText body = ReadShownBody(book.mailPath, entry);
  EXPECT_TRUE(body.opened);
  EXPECT_EQ(body.bytes, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, ShownBodyTest,
    ::testing::Values(BodyCase{"CrLfGetsItsLfBack", "abc\r\n", 5, "abc\r\n"},
                      BodyCase{"NoLineEndLosesItsLastByte", "abc", 3, "ab"},
                      BodyCase{"EndsAtTheFirstNul", std::string("ab\0cd\r\n", 7), 7, "ab"},
                      BodyCase{"ACrBeforeTheNulGetsItsLf", std::string("ab\r\0cd", 6), 6, "ab\r\n"},
                      BodyCase{"EmptyStaysEmpty", "", 0, ""}),
    [](const ::testing::TestParamInfo<BodyCase>& info) { return std::string(info.param.name); });

}  // namespace
