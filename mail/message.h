#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// One mail message as it goes over SMTP: headers and a UTF-8 text body, with
// CR LF line ends throughout. Nothing here touches the network.
namespace mail {

struct Address
{
    QString displayName; // may be empty
    QByteArray address;  // local@domain, ASCII (a non-ASCII domain in its ASCII form)
    bool operator==(const Address &) const = default;
};

// "local@domain", "<local@domain>" or "Name <local@domain>". Blanks, control
// characters, angle brackets or commas in the address itself, or a local part
// that is not ASCII, make it invalid; *reason then says why.
std::optional<Address> parseAddress(const QString &text, QString *reason = nullptr);
// One or more addresses separated by commas.
std::optional<QList<Address>> parseAddressList(const QString &text, QString *reason = nullptr);

// A header value: printable ASCII stays as it is, folded before blanks onto
// continuation lines of at most 78 characters (the first after "Subject: ");
// anything else, and ASCII with a run too long for a line, becomes RFC 2047
// encoded-words (UTF-8, base64), each at most 75 characters and never
// cutting a character, folded the same way. Control characters, CR and LF
// included, become blanks first, so a value is always one header.
QByteArray encodeHeaderText(const QString &text);

// "Name <addr>" for a header, the name quoted or encoded as needed.
QByteArray formatAddress(const Address &address);

// RFC 5322 date: "Mon, 05 Mar 2007 09:30:00 +0900".
QByteArray formatDate(const QDateTime &when);

// "<random.time@domain>" with the domain of the given address.
QByteArray newMessageId(const Address &from, const QDateTime &when);

// Any mix of CR LF, LF and lone CR turned into CR LF.
QString withCrLf(const QString &text);

struct Message
{
    Address from;
    QList<Address> to;
    QString subject;
    QString text;
    QDateTime date;
    QByteArray messageId;
};

// The whole message: Date, From, To, Subject, Message-ID and the MIME
// headers, a blank line, then the text as UTF-8 in base64 lines of 76.
QByteArray build(const Message &message);

} // namespace mail
