// smail: hands one mail to an SMTP server.
//
//   smail -h<server> -s<subject> <recipient> -f<sender> -T<text> -m
//
// Each value is one argument. The message goes out with the text as a UTF-8
// body; the exit status is 0 when the server accepted it, otherwise non-zero
// with a one-line reason on standard error. Without arguments the mailer opens
// its settings window (port, security, SMTP authentication), kept in
// smail.ini beside it and used by every send.

#include "mail/mailercommand.h"
#include "mail/message.h"
#include "mail/smail/settingswindow.h"
#include "mail/smail/smtpsend.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

namespace {

constexpr int kDelivered = 0;
constexpr int kNotDelivered = 1;
constexpr int kBadCommand = 2;

int complain(int status, QString reason)
{
    // One line, whatever the reason quotes.
    for (QChar &c : reason)
        if (c.unicode() < 0x20)
            c = u' ';
    std::fprintf(stderr, "smail: %s\n", reason.toLocal8Bit().constData());
    return status;
}

QString mailerDir()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
}

int send(const QStringList &arguments)
{
    QString reason;
    const auto command = mail::parseMailerArguments(arguments, &reason);
    if (!command)
        return complain(kBadCommand, reason);
    const auto from = mail::parseAddress(command->sender, &reason);
    if (!from)
        return complain(kBadCommand, QStringLiteral("sender: ") + reason);
    const auto to = mail::parseAddressList(command->recipients, &reason);
    if (!to)
        return complain(kBadCommand, QStringLiteral("recipient: ") + reason);

    const mail::MailerSettings settings =
        mail::loadMailerSettings(mail::mailerSettingsPath(mailerDir()));

    mail::Message message;
    message.from = *from;
    message.to = *to;
    message.subject = command->subject;
    message.text = command->text;
    message.date = QDateTime::currentDateTime();
    message.messageId = mail::newMessageId(*from, message.date);

    smail::Delivery delivery;
    delivery.target = mail::smtpTarget(*command, settings);
    delivery.user = settings.user;
    delivery.password = settings.password;
    delivery.from = from->address;
    for (const mail::Address &a : *to)
        delivery.to.append(a.address);
    delivery.message = mail::build(message);
    if (!smail::deliver(delivery, &reason))
        return complain(kNotDelivered, reason);
    return kDelivered;
}

} // namespace

int main(int argc, char *argv[])
{
    // A reason written after the starting program has gone must not kill us.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc <= 1) {
        QApplication app(argc, argv);
        smail::SettingsWindow window(mail::mailerSettingsPath(mailerDir()));
        window.show();
        return app.exec();
    }
    QCoreApplication app(argc, argv);
    return send(QCoreApplication::arguments().mid(1));
}
