// Fuzzes the mailer's argument reading and message building: arguments are
// the input split at NUL bytes. Whatever they hold, the message has exactly
// the fixed headers, each on its own line (continuations only by folding),
// and its body decodes to the text given with CR LF line ends.
#include "mail/mailercommand.h"
#include "mail/message.h"

#include "property.h"

#include <QSet>
#include <QTimeZone>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList arguments;
    for (const QByteArray &piece : input.split('\0'))
        arguments << QString::fromUtf8(piece);
    QString reason;
    const auto command = mail::parseMailerArguments(arguments, &reason);
    if (!command) {
        if (reason.isEmpty())
            fuzz::fail("refused without a reason");
        return 0;
    }
    const auto from = mail::parseAddress(command->sender);
    const auto to = mail::parseAddressList(command->recipients);
    if (!from || !to)
        return 0;
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1173054600, QTimeZone(9 * 3600));
    const mail::Message message{*from, *to, command->subject, command->text, when, mail::newMessageId(*from, when)};
    const QByteArray built = mail::build(message);

    const qsizetype split = built.indexOf("\r\n\r\n");
    if (split < 0)
        fuzz::fail("no blank line after the headers");
    const QByteArray head = built.left(split);
    const QSet<QByteArray> expected{"Date", "From", "To", "Subject", "Message-ID", "MIME-Version", "Content-Type",
                                    "Content-Transfer-Encoding"};
    QSet<QByteArray> seen;
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray l = lines[i];
        if (!l.endsWith('\r') && i + 1 < lines.size())
            fuzz::fail("a bare line feed in the headers");
        if (l.endsWith('\r'))
            l.chop(1);
        if (l.contains('\r'))
            fuzz::fail("a bare carriage return in the headers");
        if (l.startsWith(' ') || l.startsWith('\t'))
            continue; // folded continuation of the header before
        const qsizetype colon = l.indexOf(':');
        if (colon <= 0)
            fuzz::fail("a header line without a name");
        const QByteArray name = l.left(colon);
        if (!expected.contains(name) || seen.contains(name))
            fuzz::fail("a header was added or repeated");
        seen.insert(name);
        for (char c : l)
            if ((unsigned char)c >= 0x80)
                fuzz::fail("a raw non-ASCII byte in a header");
    }
    if (seen != expected)
        fuzz::fail("a header is missing");
    QByteArray body = built.mid(split + 4);
    body.replace("\r\n", "");
    if (QString::fromUtf8(QByteArray::fromBase64(body)) != mail::withCrLf(command->text))
        fuzz::fail("the body does not carry the text");
    return 0;
}
