#include "mail/mailercommand.h"

#include "base/apperror.h"
#include "base/wholefile.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <algorithm>

namespace mail {

namespace {

bool fail(QString *reason, const QString &why)
{
    if (reason)
        *reason = why;
    return false;
}

bool isHostNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'.'
        || u == u'-' || u == u'_';
}

bool isIpv6Char(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F') || u == u':'
        || u == u'.';
}

// Splits "host", "host:port", "[v6]" or "[v6]:port" into a host usable in a
// URL and the port (0 when none is given).
bool parseServer(const QString &server, MailerCommand &command, QString *reason)
{
    QString host = server;
    QString port;
    bool portGiven = false;
    if (server.startsWith(u'[')) {
        const qsizetype close = server.indexOf(u']');
        if (close < 0)
            return fail(reason, QStringLiteral("server '%1' has no closing ']'").arg(server));
        const QString inside = server.mid(1, close - 1);
        if (inside.isEmpty() || !std::all_of(inside.begin(), inside.end(), isIpv6Char))
            return fail(reason, QStringLiteral("server '%1' is not an IPv6 address").arg(server));
        host = server.left(close + 1);
        const QString rest = server.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return fail(reason, QStringLiteral("server '%1' has text after ']'").arg(server));
            port = rest.mid(1);
            portGiven = true;
        }
    } else {
        const qsizetype colon = server.indexOf(u':');
        if (colon >= 0) {
            if (server.indexOf(u':', colon + 1) >= 0)
                return fail(reason, QStringLiteral("write the IPv6 server '%1' in brackets").arg(server));
            host = server.left(colon);
            port = server.mid(colon + 1);
            portGiven = true;
        }
        if (!std::all_of(host.begin(), host.end(), isHostNameChar)) {
            // An internationalised name goes in its ASCII form.
            const QByteArray ace = QUrl::toAce(host);
            const QString ascii = QString::fromLatin1(ace);
            if (ace.isEmpty() || !std::all_of(ascii.begin(), ascii.end(), isHostNameChar))
                return fail(reason, QStringLiteral("server name '%1' is not usable").arg(host));
            host = ascii;
        }
        if (host.isEmpty())
            return fail(reason, QStringLiteral("no SMTP server given (-h)"));
    }
    command.host = host;
    command.port = 0;
    if (portGiven) {
        bool ok = false;
        const int n = port.toInt(&ok);
        if (!ok || n < 1 || n > 65535)
            return fail(reason, QStringLiteral("port '%1' of server '%2' is not a port number").arg(port, server));
        command.port = n;
    }
    return true;
}

} // namespace

std::optional<MailerCommand> parseMailerArguments(const QStringList &arguments, QString *reason)
{
    MailerCommand command;
    QString seen;
    bool haveRecipient = false;
    QString server;
    for (const QString &arg : arguments) {
        if (arg.startsWith(u'-') && arg.size() >= 2) {
            const QChar option = arg[1];
            if (!QStringView(u"hsfTim").contains(option)) {
                fail(reason, QStringLiteral("unknown option '%1'").arg(arg.left(2)));
                return std::nullopt;
            }
            if (seen.contains(option)) {
                fail(reason, QStringLiteral("option -%1 given twice").arg(option));
                return std::nullopt;
            }
            seen += option;
            const QString value = arg.mid(2);
            switch (option.unicode()) {
            case u'h': server = value; break;
            case u's': command.subject = value; break;
            case u'f': command.sender = value; break;
            case u'T': command.text = value; break;
            case u'i':
            case u'm':
                if (!value.isEmpty()) {
                    fail(reason, QStringLiteral("option -%1 takes no value").arg(option));
                    return std::nullopt;
                }
                command.textFromInput = command.textFromInput || option == u'i';
                break;
            }
            continue;
        }
        if (haveRecipient) {
            fail(reason, QStringLiteral("more than one recipient argument"));
            return std::nullopt;
        }
        haveRecipient = true;
        command.recipients = arg;
    }
    if (server.isEmpty()) {
        fail(reason, QStringLiteral("no SMTP server given (-h)"));
        return std::nullopt;
    }
    if (!haveRecipient || command.recipients.trimmed().isEmpty()) {
        fail(reason, QStringLiteral("no recipient given"));
        return std::nullopt;
    }
    if (command.sender.trimmed().isEmpty()) {
        fail(reason, QStringLiteral("no sender given (-f)"));
        return std::nullopt;
    }
    if (seen.contains(u'T') == seen.contains(u'i')) {
        fail(reason, seen.contains(u'T') ? QStringLiteral("the text given both with -T and on standard input (-i)")
                                         : QStringLiteral("no text given (-T or -i)"));
        return std::nullopt;
    }
    if (!parseServer(server, command, reason))
        return std::nullopt;
    return command;
}

QString securityName(Security security)
{
    switch (security) {
    case Security::Auto: return QStringLiteral("auto");
    case Security::StartTls: return QStringLiteral("starttls");
    case Security::Tls: return QStringLiteral("tls");
    case Security::None: return QStringLiteral("none");
    }
    return QStringLiteral("auto");
}

std::optional<Security> securityFromName(const QString &name)
{
    for (Security s : {Security::Auto, Security::StartTls, Security::Tls, Security::None})
        if (name.compare(securityName(s), Qt::CaseInsensitive) == 0)
            return s;
    return std::nullopt;
}

MailerSettings loadMailerSettings(const QString &path)
{
    MailerSettings s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return s;
    const QString text = QString::fromUtf8(file.readAll());
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || line.startsWith(u'[') || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1); // a password may begin or end with blanks
        if (key == u"port") {
            bool ok = false;
            const int port = value.trimmed().toInt(&ok);
            if (ok && port >= 0 && port <= 65535)
                s.port = port;
        } else if (key == u"security") {
            if (const auto security = securityFromName(value.trimmed()))
                s.security = *security;
        } else if (key == u"user") {
            s.user = value;
        } else if (key == u"password") {
            s.password = value;
        }
    }
    return s;
}

void saveMailerSettings(const QString &path, const MailerSettings &settings)
{
    const auto oneLine = [](QString v) { return v.remove(u'\r').remove(u'\n'); };
    QByteArray bytes = "[smail]\n";
    bytes += "port=" + QByteArray::number(settings.port) + '\n';
    bytes += "security=" + securityName(settings.security).toUtf8() + '\n';
    bytes += "user=" + oneLine(settings.user).toUtf8() + '\n';
    bytes += "password=" + oneLine(settings.password).toUtf8() + '\n';

    if (!wholefile::replace(path, bytes, wholefile::Access::OwnerOnly))
        throw AppError(QStringLiteral("%1 に書き込めません").arg(QDir::toNativeSeparators(path)));
}

SmtpTarget smtpTarget(const MailerCommand &command, const MailerSettings &settings)
{
    int port = command.port;
    if (port == 0)
        port = settings.port;
    if (port == 0)
        port = settings.security == Security::Tls ? 465 : 25;
    const bool implicitTls =
        settings.security == Security::Tls || (settings.security == Security::Auto && port == 465);
    SmtpTarget target;
    target.url = QStringLiteral("%1://%2:%3").arg(implicitTls ? u"smtps" : u"smtp", command.host).arg(port);
    if (implicitTls)
        target.tls = SmtpTarget::Tls::Require;
    else if (settings.security == Security::StartTls)
        target.tls = SmtpTarget::Tls::Require;
    else if (settings.security == Security::None)
        target.tls = SmtpTarget::Tls::Never;
    else if (!settings.user.isEmpty())
        target.tls = SmtpTarget::Tls::Require; // a password never goes out unencrypted
    else
        target.tls = SmtpTarget::Tls::Try;
    return target;
}

} // namespace mail
