#pragma once
#include <QDate>
#include <QString>
#include <QStringList>

class ProfileFile;

// The mail settings of the settings file and the way the diary is handed to
// the mailer program.
namespace mail {

// Section "メール": recipient, own address and SMTP server.
struct Settings
{
    QString recipient; // "送信先"
    QString sender;    // "自分のアドレス"
    QString server;    // "SMTP"

    // True when none of the three is empty.
    bool complete() const { return !recipient.isEmpty() && !sender.isEmpty() && !server.isEmpty(); }
    bool operator==(const Settings &) const = default;
};

// What a missing key stands for. None is empty, so an untouched
// configuration hands the mail over instead of asking for settings.
Settings placeholders();

// Reads the three keys, in the order recipient, sender, server.
Settings readSettings(const ProfileFile &ini);
// Writes the three keys in the same order; a refused write throws AppError
// and keys written before it stay written.
void writeSettings(const ProfileFile &ini, const Settings &settings);

// Today's date in the subject's pattern: 07年03月05日.
QString subjectDate(const QDate &date);

// The display's whole-text string ("\n" after every display line) with CR LF
// line ends, as the mail carries it.
QString mailText(const QString &wholeText);

// The mailer's arguments, one for each piece of its command line:
// "-h" server, "-s日記" date, the recipient, "-f" sender, "-i", "-m".
// Each value stays one argument whatever blanks or dashes it holds. The
// text itself goes to the mailer's standard input in UTF-8 ("-i"): a
// command line can be read by every user of the machine while the mail
// waits for its server.
QStringList mailerArguments(const Settings &settings, const QDate &date);

} // namespace mail
