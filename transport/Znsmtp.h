#pragma once
// Unit Znsmtp: the SMTP client TZnSMTP on top of the socket connection, and
// TPostMessage, the message it sends. Connect greets the server (greeting and
// HELO), SendMail sends one message (RSET, MAIL FROM, RCPT TO, DATA, the
// header block, the dot-stuffed body and "."), Disconnect says QUIT. Every
// wait pumps the application's messages; failures are raised as exceptions:
// Exception with the server's reply line or a fixed text for refusals,
// ESockError / EAbortError for the connection.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "platform/base/Classes.h"
#include "platform/strings/StringList.h"
#include "transport/Psock.h"
#include "transport/ZnExtstr.h"
#include "transport/ZnUUE.h"

// The kind of text part; stored only, the text part is always text/plain.
enum TSubType : std::uint8_t { mtPlain, mtEnriched, mtSgml, mtTabSeperated, mtHtml };

using TRecipientNotFound = std::function<void(const std::string& Recipient)>;
using THeaderInComplete = std::function<void(bool& handled, int hiType)>;
using TFileItem = std::function<void(const std::string& Filename)>;
using TMailListReturn = std::function<void(const std::string& MailAddress)>;

// The parameters of one message, filled by the caller. Texts are Shift-JIS or
// ISO-2022-JP bytes as the caller converted them. Assigning a list copies it:
// the message never takes over a caller's list.
class TPostMessage : public TObject {
 public:
  std::string FromName;      // written before "<" in the From line, as it stands
  std::string FromAddress;   // MAIL FROM and the address of the From line
  std::string Subject;       // no Subject header when empty
  std::string LocalProgram;  // the X-Mailer value; no header when empty
  std::string Date;          // no Date header when empty
  std::string ReplyTo;       // no Reply-To header when empty
  std::string MessageId;     // the Message-ID value, "<" ... ">"; no header when empty
  TStringList Attachments;   // paths of files to attach
  TStringList ToAddress;     // one recipient entry each
  TStringList ToCarbonCopy;
  TStringList ToBlindCarbonCopy;  // envelope only, never in a header
  TStringList Body;               // body lines without line ends
};

// How long each reply (or each block of the message) may take, in
// milliseconds, as RFC 5321 section 4.5.3.2 asks of a client; 0: no bound.
struct TReplyTimeOuts {
  int Greeting = 5 * 60 * 1000;
  int Command = 5 * 60 * 1000;  // HELO, RSET, MAIL, RCPT and QUIT
  int Data = 2 * 60 * 1000;     // the reply to DATA
  int Block = 3 * 60 * 1000;    // each part of the header block and body
  int DataEnd = 10 * 60 * 1000; // the reply to the final "."
};

class TZnSMTP : public TPowersock {
 public:
  enum class Link { Alive, Dead };

  // Port 25, EncodeType uuMime, ClearParams true, SubType mtPlain.
  explicit TZnSMTP(TComponent* AOwner);
  // Drops a live connection without QUIT.
  ~TZnSMTP() override;

  // Opens the TCP connection, reads the greeting and says HELO with UserID;
  // then fires OnConnect. A refusal says QUIT and closes before it is raised:
  // the greeting's line for a greeting of 400 or more, "Authentication
  // failed" for HELO. Socket failures close without QUIT.
  void Connect() override;
  // Sends the message in PostMessage over the greeted connection; returns at
  // once, doing nothing, while Connect or another SendMail runs. A refused
  // recipient fires OnRecipientNotFound and the send goes on; when no
  // recipient was accepted, the last refusal is raised before DATA. Other
  // refusals raise the reply line, "Incomplete Header" (no sender, or no
  // entry with an address) or "Not Connected".
  // Refusals leave the connection and the recipients as they are. A reply
  // that does not come within its ReplyTimeOuts bound raises ESockError
  // "Reply Timed out" (a block not taken in time, "Send Timed out") and
  // drops the connection.
  void SendMail();
  // Says QUIT (a reply above 339 raises it) and closes, also when QUIT fails.
  // On a link the peer has closed it only closes.
  void Disconnect() override;
  // The time-out and destruction hook: cancels the pending wait while busy,
  // otherwise drops the connection without QUIT.
  void Abort() override;
  // Clears the recipient lists and the attachments of PostMessage.
  void ClearParameters();
  // Ends a connection after a failure: a server that refused still listens
  // and is told QUIT; a dead or abandoned link is dropped. Raises nothing.
  void CloseAfterFailure(Link link);
  // The link a failure leaves: dead after a socket failure, a time-out or a
  // cancel (ESockError), alive after a refusal.
  static Link LinkAfter(const std::exception_ptr& failure);

  // Fills FinalHeader and bodyStream (and boundary with attachments) from
  // PostMessage: header values folded, ISO-2022-JP text in encoded-words
  // (HeaderFields.h), recipient entries parted by ", ". Raises the file-open
  // exception for an unreadable attachment.
  void BuildMessage();
  // Appends the part of attachment Index (from 1) to bodyStream.
  void AddAttachmentPart(int Index);
  // The address of a recipient entry, as SplitEntry (HeaderFields.h) takes
  // it apart; empty means the entry is skipped.
  static std::string ExtractAddress(const std::string& entry);
  // Run when the read pump finds a cancel: drops the connection.
  void CancelHandler(TObject* Sender);

  // Published properties and events (OnPacketSent and OnConnectionRequired
  // are the base's).
  TNotifyEvent OnConnect;  // greeting and HELO succeeded; not the base's TCP OnConnect
  std::string UserID;      // the argument of HELO
  TPostMessage PostMessage;
  TExStringList FinalHeader;  // "Name: value" lines of the last message built
  UUMethods EncodeType = uuMime;
  bool ClearParams = true;  // clear recipients and attachments after a successful send
  TSubType SubType = mtPlain;
  TRecipientNotFound OnRecipientNotFound;
  THeaderInComplete OnHeaderIncomplete;  // hiType 1: no FromAddress, 2: no recipient
  TNotifyEvent OnSendStart;
  TNotifyEvent OnSuccess;
  TNotifyEvent OnFailure;  // the reply to the final "." refused the message
  TFileItem OnEncodeStart;
  TFileItem OnEncodeEnd;
  TMailListReturn OnMailListReturn;  // declared only; never fired
  TFileItem OnAttachmentNotFound;
  THandlerEvent OnAuthenticationFailed;  // Handled: HELO is sent once more
  TReplyTimeOuts ReplyTimeOuts;

  TMemoryStream bodyStream;  // the body as it goes on the wire after the header block
  bool busy = false;         // Connect or SendMail is running
  std::string boundary;      // MIME boundary of the last multipart message built

 private:
  void Greet();
  void ReadGreeting();
  void Helo();
  void Deliver();
  void CheckHeader();
  bool HeaderComplete() const;
  // True when the server accepted the recipient.
  bool Rcpt(const std::string& entry);
  void SendContent();
  void EndData();
  void Quit();
  // Runs step with the time-out armed for milliseconds; a time-out drops
  // the connection and raises ESockError timedOutText.
  void Timed(int milliseconds, const char* timedOutText, const std::function<void()>& step);
  // Sends one command line and reads its reply within milliseconds,
  // continuation lines included; returns the reply number.
  int Command(const std::string& text, int milliseconds);
  // Command, raising the reply line when its number is above highestAccepted.
  void CommandExpecting(const std::string& text, int milliseconds, int highestAccepted);
  void SkipContinuationLines();
  void DropConnection();

  void BuildHeader();
  void BuildBody();
  std::string TextPartType() const;
};
