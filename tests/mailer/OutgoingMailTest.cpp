#include "mailer/OutgoingMail.h"

#include <gtest/gtest.h>

#include <regex>

#include "transport/Znsmtp.h"

namespace {

// Always a msg-id (RFC 5322: dot-atoms) on a line of at most 78 characters,
// on the sender's domain when that is a plain one that fits.
TEST(OutgoingMailTest, MessageIdIsAValidMsgIdWithinOneLineWhateverTheSendersDomain) {
  const std::string fits = std::string(35, 'a') + ".jp", tooLong = "a" + fits;
  const std::pair<std::string, std::string> cases[] = {
      {"example.jp", "example.jp"},     {fits, fits},
      {tooLong, "quillet.invalid"},     {"example..jp", "quillet.invalid"},
      {".jp", "quillet.invalid"},       {"example.jp.", "quillet.invalid"},
      {"日本.jp", "quillet.invalid"},   {std::string(1100, 'a') + ".jp", "quillet.invalid"},
  };
  const std::string atoms = R"([A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+(?:\.[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+)*)";
  for (const auto& [domain, used] : cases) {
    TPostMessage message;
    FillPostMessage(message, {"a@b", "", "", ""}, {"taro@" + domain, {}});
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(message.MessageId, parts, std::regex("<" + atoms + "@(" + atoms + ")>")));
    EXPECT_EQ(parts[1], used);
    EXPECT_LE(message.MessageId.size(), 78u - 12) << domain.size();  // after "Message-ID: "
  }
}

}  // namespace
