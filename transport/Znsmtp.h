#pragma once
// Unit Znsmtp: the SMTP client TZnSMTP on top of the socket connection, and
// TPostMessage, the message it sends. Connect greets the server (greeting and
// HELO), SendMail sends one message (RSET, MAIL FROM, RCPT TO, DATA, the
// header block, the dot-stuffed body and "."), Disconnect says QUIT. Every
// wait pumps the application's messages; failures are raised as exceptions:
// Exception with the server's reply line or a fixed text for refusals,
// ESockError / EAbortError for the connection.

#include <cstdint>
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
  TStringList Attachments;   // paths of files to attach
  TStringList ToAddress;     // one recipient entry each
  TStringList ToCarbonCopy;
  TStringList ToBlindCarbonCopy;  // envelope only, never in a header
  TStringList Body;               // body lines without line ends
};

class TZnSMTP : public TPowersock {
 public:
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
  // recipient only fires OnRecipientNotFound; other refusals raise the reply
  // line, "Incomplete Header" or "Not Connected", and leave the connection
  // and the recipients as they are.
  void SendMail();
  // Says QUIT (a reply above 339 raises it) and closes, also when QUIT fails.
  // On a link the peer has closed it only closes.
  void Disconnect() override;
  // The time-out and destruction hook: cancels the pending wait while busy,
  // otherwise drops the connection without QUIT.
  void Abort() override;
  // Clears the recipient lists and the attachments of PostMessage.
  void ClearParameters();

  // Fills FinalHeader and bodyStream (and boundary with attachments) from
  // PostMessage. Raises the file-open exception for an unreadable attachment.
  void BuildMessage();
  // Appends the part of attachment Index (from 1) to bodyStream.
  void AddAttachmentPart(int Index);
  // The address of a recipient entry: between "<" and ">", else after ":",
  // else the whole entry; empty means the entry is skipped.
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

  TMemoryStream bodyStream;  // the body as it goes on the wire after the header block
  bool busy = false;         // Connect or SendMail is running
  std::string boundary;      // MIME boundary of the last multipart message built

 private:
  void Greet();
  void ReadGreeting();
  void Helo();
  enum class Link { Alive, Dead };
  void CloseAfterFailedGreeting(Link link);
  void Deliver();
  void CheckHeader();
  bool HeaderComplete() const;
  void Rcpt(const std::string& entry);
  void EndData();
  void Quit();
  // Sends one command line and reads its reply, continuation lines included;
  // returns the reply number.
  int Command(const std::string& text);
  // Command, raising the reply line when its number is above highestAccepted.
  void CommandExpecting(const std::string& text, int highestAccepted);
  void SkipContinuationLines();
  void DropConnection();

  void BuildHeader();
  void BuildBody();
  std::string TextPartType() const;
};
