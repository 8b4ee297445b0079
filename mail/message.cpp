#include "mail/message.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QUrl>

#include <algorithm>

namespace mail {

namespace {

bool isControl(char32_t c)
{
    return c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0) || c == 0x2028 || c == 0x2029;
}

bool isPrintableAscii(QStringView s)
{
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

// Control characters become blanks, so that no value can end its header line.
QString withoutControls(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        out += isControl(c.unicode()) ? QChar(u' ') : c;
    return out;
}

// Bytes of UTF-8 per encoded-word: 39 bytes give 52 base64 characters, a
// word of 64 characters, so even the first line "Subject: " stays within 78.
constexpr qsizetype kWordBytes = 39;

QByteArray encodedWord(const QByteArray &utf8)
{
    return "=?UTF-8?B?" + utf8.toBase64() + "?=";
}

// Longest header line, and the room its first line leaves after "Subject: ".
constexpr qsizetype kLineLength = 78;
constexpr qsizetype kFirstLineRoom = kLineLength - 9;

// Printable ASCII folded before blanks, each line within the length; a
// reader unfolding it sees the text unchanged. Empty when a run without
// blanks is too long for one line.
QByteArray foldedAtBlanks(const QByteArray &text)
{
    QByteArray out;
    qsizetype start = 0;
    qsizetype room = kFirstLineRoom;
    while (text.size() - start > room) {
        // The last blank that still fits, with something other than blanks before it.
        qsizetype fold = -1;
        for (qsizetype i = start + room; i > start; --i) {
            if (text[i] == ' ' && text[i - 1] != ' ') {
                fold = i;
                break;
            }
        }
        if (fold < 0)
            return {};
        out += text.mid(start, fold - start) + "\r\n";
        start = fold;
        room = kLineLength;
    }
    return out + text.mid(start);
}

bool fail(QString *reason, const QString &why)
{
    if (reason)
        *reason = why;
    return false;
}

bool validAddressChars(QStringView s)
{
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u <= 0x20 || u == 0x7f || isControl(u) || QStringView(u"<>,;:()\\\"[]").contains(c))
            return false;
    }
    return true;
}

} // namespace

std::optional<Address> parseAddress(const QString &text, QString *reason)
{
    const QString t = text.trimmed();
    if (std::any_of(t.begin(), t.end(), [](QChar c) { return isControl(c.unicode()); })) {
        fail(reason, QStringLiteral("mail address holds a line break or a control character"));
        return std::nullopt;
    }
    Address result;
    QString addr = t;
    const qsizetype open = t.indexOf(u'<');
    if (open >= 0) {
        if (!t.endsWith(u'>')) {
            fail(reason, QStringLiteral("address '%1' has no closing '>'").arg(t));
            return std::nullopt;
        }
        QString name = t.left(open).trimmed();
        if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"'))
            name = name.mid(1, name.size() - 2);
        result.displayName = name;
        addr = t.mid(open + 1, t.size() - open - 2).trimmed();
    }
    const qsizetype at = addr.lastIndexOf(u'@');
    if (addr.isEmpty() || at <= 0 || at == addr.size() - 1) {
        fail(reason, QStringLiteral("'%1' is not a mail address (local@domain)").arg(addr));
        return std::nullopt;
    }
    if (!validAddressChars(addr)) {
        fail(reason, QStringLiteral("mail address '%1' holds a blank or a character not allowed").arg(addr));
        return std::nullopt;
    }
    const QString local = addr.left(at);
    const QString domain = addr.mid(at + 1);
    if (!isPrintableAscii(local)) {
        fail(reason, QStringLiteral("mail address '%1' has a non-ASCII local part").arg(addr));
        return std::nullopt;
    }
    const QByteArray asciiDomain = isPrintableAscii(domain) ? domain.toLatin1() : QUrl::toAce(domain);
    if (asciiDomain.isEmpty()) {
        fail(reason, QStringLiteral("mail address '%1' has an invalid domain").arg(addr));
        return std::nullopt;
    }
    result.address = local.toLatin1() + '@' + asciiDomain;
    return result;
}

std::optional<QList<Address>> parseAddressList(const QString &text, QString *reason)
{
    QList<Address> list;
    for (const QString &part : text.split(u',')) {
        if (part.trimmed().isEmpty())
            continue;
        const auto a = parseAddress(part, reason);
        if (!a)
            return std::nullopt;
        list.append(*a);
    }
    if (list.isEmpty()) {
        fail(reason, QStringLiteral("no recipient address"));
        return std::nullopt;
    }
    return list;
}

QByteArray encodeHeaderText(const QString &text)
{
    const QString clean = withoutControls(text);
    if (isPrintableAscii(clean) && !clean.contains(QStringLiteral("=?"))) {
        const QByteArray folded = foldedAtBlanks(clean.toLatin1());
        if (!folded.isEmpty() || clean.isEmpty())
            return folded;
    }

    QByteArray out;
    QByteArray chunk;
    for (qsizetype i = 0; i < clean.size();) {
        // One whole character: a surrogate pair stays together.
        const qsizetype len = (clean[i].isHighSurrogate() && i + 1 < clean.size()
                               && clean[i + 1].isLowSurrogate()) ? 2 : 1;
        const QByteArray bytes = QStringView(clean).mid(i, len).toUtf8();
        if (!chunk.isEmpty() && chunk.size() + bytes.size() > kWordBytes) {
            out += (out.isEmpty() ? "" : "\r\n ") + encodedWord(chunk);
            chunk.clear();
        }
        chunk += bytes;
        i += len;
    }
    if (!chunk.isEmpty() || out.isEmpty())
        out += (out.isEmpty() ? "" : "\r\n ") + encodedWord(chunk);
    return out;
}

QByteArray formatAddress(const Address &address)
{
    const QString name = withoutControls(address.displayName).trimmed();
    if (name.isEmpty())
        return address.address;
    QByteArray phrase;
    if (isPrintableAscii(name) && !name.contains(QStringLiteral("=?"))) {
        QByteArray quoted = name.toLatin1();
        quoted.replace("\\", "\\\\").replace("\"", "\\\"");
        phrase = '"' + quoted + '"';
    } else {
        phrase = encodeHeaderText(name);
    }
    return phrase + " <" + address.address + '>';
}

QByteArray formatDate(const QDateTime &when)
{
    const QLocale c = QLocale::c();
    const int offset = when.offsetFromUtc() / 60;
    const int abs = offset < 0 ? -offset : offset;
    return c.toString(when, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss")).toLatin1()
        + QByteArray(offset < 0 ? " -" : " +")
        + QByteArray::number(abs / 60).rightJustified(2, '0')
        + QByteArray::number(abs % 60).rightJustified(2, '0');
}

QByteArray newMessageId(const Address &from, const QDateTime &when)
{
    const qsizetype at = from.address.lastIndexOf('@');
    const QByteArray domain = at >= 0 ? from.address.mid(at + 1) : QByteArray("localhost");
    const quint64 random = QRandomGenerator::system()->generate64();
    return '<' + QByteArray::number(random, 16) + '.' + QByteArray::number(when.toMSecsSinceEpoch())
        + '@' + domain + '>';
}

QString withCrLf(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    t.replace(u'\n', QStringLiteral("\r\n"));
    return t;
}

QByteArray build(const Message &message)
{
    QByteArray to;
    for (const Address &a : message.to)
        to += (to.isEmpty() ? "" : ",\r\n ") + formatAddress(a);

    QByteArray out;
    out += "Date: " + formatDate(message.date) + "\r\n";
    out += "From: " + formatAddress(message.from) + "\r\n";
    out += "To: " + to + "\r\n";
    out += "Subject: " + encodeHeaderText(message.subject) + "\r\n";
    out += "Message-ID: " + message.messageId + "\r\n";
    out += "MIME-Version: 1.0\r\n";
    out += "Content-Type: text/plain; charset=UTF-8\r\n";
    out += "Content-Transfer-Encoding: base64\r\n";
    out += "\r\n";
    const QByteArray body = withCrLf(message.text).toUtf8().toBase64();
    for (qsizetype i = 0; i < body.size(); i += 76)
        out += body.mid(i, 76) + "\r\n";
    return out;
}

} // namespace mail
