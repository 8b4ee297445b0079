#include "mail/mailsettings.h"

#include "base/profilefile.h"

#include <QDir>

namespace mail {

namespace schema {
const QString kSection = QStringLiteral("メール");
const settings::TextKey kRecipient{kSection, QStringLiteral("送信先"), QStringLiteral("tomodachi@example.org")};
const settings::TextKey kSender{kSection, QStringLiteral("自分のアドレス"), QStringLiteral("watashi@example.org")};
const settings::TextKey kServer{kSection, QStringLiteral("SMTP"), QStringLiteral("localhost")};
} // namespace schema

Settings placeholders()
{
    return {schema::kRecipient.standard, schema::kSender.standard, schema::kServer.standard};
}

Settings readSettings(const ProfileFile &ini)
{
    return {ini.read(schema::kRecipient), ini.read(schema::kSender), ini.read(schema::kServer)};
}

void writeSettings(const ProfileFile &ini, const Settings &settings)
{
    ini.write(schema::kRecipient, settings.recipient);
    ini.write(schema::kSender, settings.sender);
    ini.write(schema::kServer, settings.server);
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
