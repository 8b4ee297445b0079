#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// The mailer program's side: its command line, its own settings file and the
// SMTP connection they make up. Pure rules, no network.
namespace mail {

// What the command line asks for:
//   -h<server>   host, host:port, [IPv6] or [IPv6]:port
//   -s<subject>
//   <recipient>  the one argument that is not an option (commas separate several)
//   -f<sender>
//   -T<text>
//   -i           the text comes from standard input, in UTF-8, instead of -T:
//                it is then on no command line, which every user may read
//   -m           ends the command
// Every argument is one whole value: a value is never split at blanks.
struct MailerCommand
{
    QString host;
    int port = 0; // 0: not given with the host
    QString subject;
    QString recipients;
    QString sender;
    QString text;
    bool textFromInput = false; // -i: the text is read from standard input
};

// The command, or std::nullopt with *reason set: a missing server,
// recipient or sender, no text or the text given both ways, an option given
// twice, a second recipient argument, an unknown option or an unusable server.
std::optional<MailerCommand> parseMailerArguments(const QStringList &arguments, QString *reason);

// How the connection is protected.
enum class Security {
    Auto,     // STARTTLS when the server offers it (required with a password); implicit TLS on port 465
    StartTls, // STARTTLS required
    Tls,      // implicit TLS from the first byte (smtps)
    None,     // never TLS, a password included
};
QString securityName(Security security);                 // "auto", "starttls", "tls", "none"
std::optional<Security> securityFromName(const QString &name);

// The mailer's own settings, kept in smail.ini beside it (installed: in the
// user's configuration folder, see app/places). Used by every send.
struct MailerSettings
{
    int port = 0; // 0: automatic (25, or 465 for implicit TLS)
    Security security = Security::Auto;
    QString user; // SMTP authentication when not empty
    QString password;
    bool operator==(const MailerSettings &) const = default;
};

// Missing file or keys give the defaults above; unknown values are ignored.
MailerSettings loadMailerSettings(const QString &path);
// Written whole, readable and writable by the owner only (it may hold a
// password). Throws AppError("<path> に書き込めません") when refused.
void saveMailerSettings(const QString &path, const MailerSettings &settings);

// Where and how to connect.
struct SmtpTarget
{
    enum class Tls { Try, Require, Never };
    QString url;  // smtp://host:port or smtps://host:port
    Tls tls;
    bool operator==(const SmtpTarget &) const = default;
};

// A port given with the host wins over the settings' port. With a user name
// "auto" requires STARTTLS: the password is sent over TLS or not at all; only
// Security::None authenticates in the clear.
SmtpTarget smtpTarget(const MailerCommand &command, const MailerSettings &settings);

} // namespace mail
