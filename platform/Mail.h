#pragma once
// Mail with attachments, by the two routes a Linux desktop offers: the
// desktop's mail program, opened with the message for the user to finish
// (xdg-email), and direct sending of a MIME message through a
// sendmail-compatible program. Programs are started with argument lists,
// never through a command interpreter.
//
// Platform settings: PELLOW_SENDMAIL names the sending program (default
// /usr/sbin/sendmail); the compose helper is xdg-email found on PATH.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace mail {

struct Recipient {
    std::string name;
    std::string address;  // "SMTP:someone@example.org", or the plain address
};

struct Attachment {
    std::string path;
    std::string displayName;  // the name the receiver sees; empty: the file's own name
};

struct Message {
    std::string subject;
    std::string body;
    std::vector<Recipient> to;
    std::vector<Attachment> attachments;
};

enum class Result {
    Done,           // sent, or handed to the mail program
    NoRoute,        // the program of the route is missing
    BadRecipient,   // an address that cannot be sent to
    BadAttachment,  // an attachment that cannot be read
    Failed,         // the program refused or did not finish
};

// The sending program: $PELLOW_SENDMAIL, else /usr/sbin/sendmail.
std::string SendmailProgram();
// xdg-email on PATH; "" when there is none.
std::string ComposeProgram();
// Whether a mail route exists: the sending program or the compose helper.
bool Available();

// The plain address of a recipient: "SMTP:" (any letter case) taken off.
// Nullopt for an address that cannot go into a header or onto a command
// line unchanged: empty, or holding blanks, control characters or any of
// < > ( ) , ; : \ " [ ].
std::optional<std::string> PlainAddress(const std::string& Address);

// One attachment as it goes into the message.
struct Part {
    std::string fileName;  // as the receiver sees it
    std::string contentType;
    std::string bytes;
};

// The message as MIME text with LF line ends, as a sendmail program reads
// it: To, Subject, Date and MIME headers (non-ASCII text encoded), the body
// as a text part, then each attachment in base64. Boundary must not occur in
// the body. Recipients are taken as given (PlainAddress first).
std::string FormatMime(const std::string& Subject, const std::string& Body, const std::vector<Recipient>& To,
                       const std::vector<Part>& Parts, const std::string& Date, const std::string& Boundary);

// Opens the desktop's mail program with the message for the user to finish.
// Done once the helper has handed it over, or is still busy with it after a
// few seconds (the mail program itself then runs on); Failed when the helper
// reports a failure.
Result Compose(const Message& M);

// Sends the message at once through the sending program (recipients from
// the headers). Done when the program accepted it.
Result Send(const Message& M);

// The waits above: 3 s for the compose helper, 60 s for the sending program.
std::chrono::milliseconds ComposeWait();
std::chrono::milliseconds SendWait();
// Tests shorten them.
void SetComposeWait(std::chrono::milliseconds Wait);
void SetSendWait(std::chrono::milliseconds Wait);

}  // namespace mail
