// The socket exceptions, the WinSock error texts and the error check.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/RaisedMessage.h"
#include "transport/Psock.h"

namespace {

struct ErrorRow {
  std::uint16_t code;
  const char* text;
};

class SocketErrorTextTest : public ::testing::TestWithParam<ErrorRow> {
 protected:
  TPowersock sock{nullptr};
};

TEST_P(SocketErrorTextTest, GivesCodeColonAndText) {
  std::string text;
  sock.ErrorText(GetParam().code, text);
  EXPECT_EQ(text, std::to_string(GetParam().code) + ":" + GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    AllRows, SocketErrorTextTest,
    ::testing::Values(
        ErrorRow{10004, "Interrupted system call"}, ErrorRow{10009, "Bad file number"},
        ErrorRow{10013, "Permission denied"}, ErrorRow{10014, "Bad address"},
        ErrorRow{10022, "Invalid argument"}, ErrorRow{10024, "Too many open files"},
        ErrorRow{10035, "Operation would block"}, ErrorRow{10036, "Operation now in progress"},
        ErrorRow{10037, "Operation already in progress"}, ErrorRow{10038, "Socket operation on non-socket"},
        ErrorRow{10039, "Destination address required"}, ErrorRow{10040, "Message too long"},
        ErrorRow{10041, "Wrong protocol type for socket"}, ErrorRow{10042, "Bad protocol option"},
        ErrorRow{10043, "Protocol not supported"}, ErrorRow{10044, "Socket type not supported"},
        ErrorRow{10045, "Operation not supported on socket"}, ErrorRow{10046, "Protocol family not supported"},
        ErrorRow{10047, "Address family not supported by protocol family"},
        ErrorRow{10048, "Address already in use"}, ErrorRow{10049, "Can't assign requested address"},
        ErrorRow{10050, "Network is down"}, ErrorRow{10051, "Network is unreachable"},
        ErrorRow{10052, "Network dropped connection or reset"}, ErrorRow{10053, "Software caused connection abort"},
        ErrorRow{10054, "Connection reset by peer"}, ErrorRow{10055, "No buffer space available"},
        ErrorRow{10056, "Socket is already connected"}, ErrorRow{10057, "Socket is not connected"},
        ErrorRow{10058, "Can't send after socket shutdown"}, ErrorRow{10059, "Too many references, can't splice"},
        ErrorRow{10060, "Connection timed out"}, ErrorRow{10061, "Connection refused"},
        ErrorRow{10062, "Too many levels of symbolic links"}, ErrorRow{10063, "File name too long"},
        ErrorRow{10064, "Host is down"}, ErrorRow{10065, "No route to Host"},
        ErrorRow{10066, "Directory not empty"}, ErrorRow{10067, "Too many processes"},
        ErrorRow{10068, "Too many users"}, ErrorRow{10069, "Disc quota exceeded"},
        ErrorRow{10070, "Stale NFS file handle"}, ErrorRow{10071, "Too many levels of remote in path"},
        ErrorRow{10091, "Network subsystem is unavailable"}, ErrorRow{10092, "Incompatible version of WINSOCK.DLL"},
        ErrorRow{10093, "Successful WSAStartup not yet performed"}, ErrorRow{11001, "Host not found"},
        ErrorRow{11002, "Non-Authoritative Host not found"},
        ErrorRow{11003, "Non-Recoverable error: FORMERR, REFUSED, NOTIMP"},
        ErrorRow{11004, "Valid name, no data record of requested type"}));

TEST(SocketErrorTableTest, EndsWithTheFallbackRowAndIsAscendingBeforeIt) {
  EXPECT_EQ(SocketErrorTexts.back().Code, 0u);
  EXPECT_STREQ(SocketErrorTexts.back().Text, "Unrecognized error code");
  for (size_t i = 1; i + 1 < SocketErrorTexts.size(); ++i)
    EXPECT_LT(SocketErrorTexts[i - 1].Code, SocketErrorTexts[i].Code);
}

class ErrorTextTest : public ::testing::Test {
 protected:
  std::string TextOf(std::uint16_t code) {
    std::string text = "stale";
    sock.ErrorText(code, text);
    return text;
  }
  TPowersock sock{nullptr};
};

TEST_F(ErrorTextTest, CodeOutsideTheTableGivesUnknownError) { EXPECT_EQ(TextOf(10101), "Unknown Error No. 10101"); }

TEST_F(ErrorTextTest, CodeZeroGivesEmptyText) { EXPECT_EQ(TextOf(0), ""); }

class CheckErrorTest : public ErrorTextTest {};

TEST_F(CheckErrorTest, ToleratedCodeReturnsEmptyText) {
  WSASetLastError(WSAEWOULDBLOCK);
  std::string text = "stale";
  sock.CheckError(WSAEWOULDBLOCK, text);
  EXPECT_EQ(text, "");
  EXPECT_EQ(sock.LastError, WSAEWOULDBLOCK);
}

TEST_F(CheckErrorTest, OtherCodeFiresOnErrorThenRaisesWithItsText) {
  std::uint16_t reported = 0;
  sock.OnError = [&](TObject*, std::uint16_t code, const std::string& text) {
    reported = code;
    EXPECT_EQ(text, "10039:Destination address required");
  };
  WSASetLastError(WSAEDESTADDRREQ);
  std::string text;
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock.CheckError(WSAEWOULDBLOCK, text); }),
            "10039:Destination address required");
  EXPECT_EQ(reported, WSAEDESTADDRREQ);
}

TEST_F(CheckErrorTest, NoErrorRecordedRaisesWithEmptyMessage) {
  WSASetLastError(0);
  std::string text;
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock.CheckError(WSAEWOULDBLOCK, text); }), "");
}

TEST_F(CheckErrorTest, RaisingErrorHandlerReplacesTheSocketError) {
  sock.OnError = [](TObject*, std::uint16_t, const std::string&) { throw Exception("handler"); };
  WSASetLastError(WSAECONNREFUSED);
  std::string text;
  EXPECT_EQ((RaisedMessageNotAs<Exception, ESockError>([&] { sock.CheckError(WSAEWOULDBLOCK, text); })),
            "handler");
}

TEST(SockExceptionTest, AbortIsCaughtAsSocketErrorButPlainExceptionsAreNot) {
  try {
    throw EAbortError("Socket send aborted");
  } catch (const ESockError& error) {
    EXPECT_EQ(error.Message, "Socket send aborted");
  }
  bool caughtAsSocketError = false;
  try {
    try {
      throw Exception("Not Connected");
    } catch (const ESockError&) {
      caughtAsSocketError = true;
    }
  } catch (const Exception&) {
  }
  EXPECT_FALSE(caughtAsSocketError);
}

}  // namespace
