// smail: hands one mail to an SMTP server.
//
//   smail -h<server> -s<subject> <recipient> -f<sender> -T<text> -m
//   smail -h<server> -s<subject> <recipient> -f<sender> -i -m   (the text on standard input)
//
// Each value is one argument. The message goes out with the text as a UTF-8
// body; the exit status is 0 when the server accepted it, otherwise non-zero
// with a one-line reason on standard error; --help alone prints the usage.
// Without arguments the mailer opens its settings window (port, security,
// SMTP authentication), kept in smail.ini beside it (installed: in the
// user's configuration folder) and used by every send.

#include "base/places.h"
#include "mail/mailercommand.h"
#include "mail/message.h"
#include "mail/smail/settingswindow.h"
#include "mail/smail/smtpsend.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>

#include <QStringDecoder>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>

#include <poll.h>
#include <unistd.h>

namespace {

using smail::kBadCommand;
using smail::kDelivered;
using smail::kNotDelivered;

int complain(int status, const QString &reason)
{
    smail::writeReason(reason);
    return status;
}

// What --help prints.
constexpr char kUsage[] =
    "使い方: smail -h<サーバー> -s<件名> <送り先> -f<自分のアドレス> -T<本文> -m\n"
    "  -h<サーバー>        SMTP サーバー: host、host:port、[IPv6]、[IPv6]:port\n"
    "  -s<件名>            件名\n"
    "  <送り先>            送り先のメールアドレス（コンマで区切って いくつでも）\n"
    "  -f<自分のアドレス>  自分のメールアドレス\n"
    "  -T<本文>            本文\n"
    "  -i                  本文を 標準入力から 読む（UTF-8）。-T の かわりに\n"
    "  -m                  おわり\n"
    "どれも 1 つの引数です。送れたら終了コード 0、送れなければ 1、コマンドがまちがっていれば 2 で、\n"
    "そのわけを標準エラーに 1 行で書きます。\n"
    "引数なしで起動すると、詳細設定（ポート番号、暗号化、認証）のウィンドウを開きます。\n";

// The whole of standard input, within the greeting's time limit and a size
// no diary reaches; nothing when it does not end in time or is larger.
std::optional<QByteArray> readInput(QString *reason)
{
    constexpr qsizetype kMaxInput = 64 * 1024 * 1024;
    const auto deadline = std::chrono::steady_clock::now() + smail::kGreetingLimit;
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&in, 1, int(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            *reason = QStringLiteral("the text on standard input did not end within %1 seconds")
                          .arg(smail::kGreetingLimit.count());
            return std::nullopt;
        }
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *reason = QStringLiteral("standard input cannot be read");
            return std::nullopt;
        }
        if (n == 0)
            return bytes;
        if (bytes.size() + n > kMaxInput) {
            *reason = QStringLiteral("the text on standard input is larger than %1 MiB").arg(kMaxInput >> 20);
            return std::nullopt;
        }
        bytes.append(buffer, n);
    }
}

// Beside the mailer in the portable folder; in the user's configuration
// folder when installed.
QString settingsFile()
{
    return places::mailerSettingsFile(QCoreApplication::applicationFilePath(), places::userEnvironment());
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

    QString text = command->text;
    if (command->textFromInput) {
        const auto bytes = readInput(&reason);
        if (!bytes)
            return complain(kNotDelivered, reason);
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(*bytes);
        if (utf8.hasError())
            return complain(kBadCommand, QStringLiteral("the text on standard input is not UTF-8"));
    }
    const mail::MailerSettings settings =
        mail::loadMailerSettings(settingsFile());

    mail::Message message;
    message.from = *from;
    message.to = *to;
    message.subject = command->subject;
    message.text = text;
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
        smail::SettingsWindow window(settingsFile());
        window.show();
        return app.exec();
    }
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments == QStringList{QStringLiteral("--help")}) {
        std::fputs(kUsage, stdout);
        return kDelivered;
    }
    return send(arguments);
}
