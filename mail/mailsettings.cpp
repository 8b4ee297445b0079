#include "mail/mailsettings.h"

#include "base/profilefile.h"

#include <QDir>

namespace mail {

namespace {
const QString kSection = QStringLiteral("メール");
const QString kRecipientKey = QStringLiteral("送信先");
const QString kSenderKey = QStringLiteral("自分のアドレス");
const QString kServerKey = QStringLiteral("SMTP");
} // namespace

Settings placeholders()
{
    return {QStringLiteral("tomodachi@example.org"), QStringLiteral("watashi@example.org"),
            QStringLiteral("localhost")};
}

Settings readSettings(const ProfileFile &ini)
{
    const Settings defaults = placeholders();
    Settings s;
    s.recipient = ini.readString(kSection, kRecipientKey, defaults.recipient);
    s.sender = ini.readString(kSection, kSenderKey, defaults.sender);
    s.server = ini.readString(kSection, kServerKey, defaults.server);
    return s;
}

void writeSettings(const ProfileFile &ini, const Settings &settings)
{
    ini.writeString(kSection, kRecipientKey, settings.recipient);
    ini.writeString(kSection, kSenderKey, settings.sender);
    ini.writeString(kSection, kServerKey, settings.server);
}

QString subjectDate(const QDate &date)
{
    return QString::asprintf("%02d", date.year() % 100) + u'年' + QString::asprintf("%02d", date.month())
        + u'月' + QString::asprintf("%02d", date.day()) + u'日';
}

QString mailText(const QString &wholeText)
{
    QString text = wholeText;
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

QStringList mailerArguments(const Settings &settings, const QDate &date)
{
    return {
        QStringLiteral("-h") + settings.server,
        QStringLiteral("-s日記") + subjectDate(date),
        settings.recipient,
        QStringLiteral("-f") + settings.sender,
        QStringLiteral("-i"),
        QStringLiteral("-m"),
    };
}

} // namespace mail
