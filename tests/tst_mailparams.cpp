// The mail settings, the pieces handed to the mailer, and the mailer's own
// reading of them and of its settings file.

#include "base/places.h"
#include "base/apperror.h"
#include "base/profilefile.h"
#include "base/sjis.h"
#include "mail/mailercommand.h"
#include "mail/mailsettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using mail::MailerCommand;
using mail::MailerSettings;
using mail::Security;
using mail::Settings;
using mail::SmtpTarget;

class MailParams : public QObject
{
    Q_OBJECT

private slots:
    void pieces_data();
    void pieces();
    void settingsFromFile_data();
    void settingsFromFile();
    void settingsWrittenInOrder();
    void commandRoundTrip_data();
    void commandRoundTrip();
    void commandRejected_data();
    void commandRejected();
    void target_data();
    void target();
    void mailerSettingsKeptOwnerOnly();
};

void MailParams::pieces_data()
{
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("wholeText");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("mailed"); // the text as the mailer's standard input carries it

    const QString r = QStringLiteral("tomodachi@example.org");
    QTest::newRow("one line あいう on 5 March 2007")
        << r << QDate(2007, 3, 5) << QStringLiteral("あいう\n")
        << QStringList{"-hsmtp.example.org", "-s日記07年03月05日", r, "-fwatashi@example.org", "-i", "-m"}
        << "あいう\r\n";
    QTest::newRow("three display lines, an empty one inside")
        << r << QDate(2031, 12, 31) << QStringLiteral("きょうは\n\nはれ\n")
        << QStringList{"-hsmtp.example.org", "-s日記31年12月31日", r, "-fwatashi@example.org", "-i", "-m"}
        << "きょうは\r\n\r\nはれ\r\n";
    QTest::newRow("recipient with a blank stays one argument")
        << QStringLiteral("tomo dachi@example.org") << QDate(2000, 1, 1) << QStringLiteral("あ\n")
        << QStringList{"-hsmtp.example.org", "-s日記00年01月01日", "tomo dachi@example.org",
                       "-fwatashi@example.org", "-i", "-m"}
        << "あ\r\n";
    QTest::newRow("text holding an option stays in the text, on no command line")
        << r << QDate(2007, 3, 5) << QStringLiteral("a -f evil@example.org -m\n")
        << QStringList{"-hsmtp.example.org", "-s日記07年03月05日", r, "-fwatashi@example.org", "-i", "-m"}
        << "a -f evil@example.org -m\r\n";
}

void MailParams::pieces()
{
    QFETCH(QString, recipient);
    QFETCH(QDate, date);
    QFETCH(QString, wholeText);
    QFETCH(QStringList, expected);
    QFETCH(QString, mailed);
    const Settings s{recipient, QStringLiteral("watashi@example.org"), QStringLiteral("smtp.example.org")};
    const QStringList args = mail::mailerArguments(s, date);
    QCOMPARE(args, expected);
    QCOMPARE(mail::mailText(wholeText), mailed);
    // Joined with blanks they are the mailer's command line in the designed order.
    QVERIFY((u' ' + args.join(u' ')).endsWith(QStringLiteral(" -i -m")));
}

void MailParams::settingsFromFile_data()
{
    QTest::addColumn<QByteArray>("file"); // UTF-8 here, stored in Shift-JIS; empty: no file at all
    QTest::addColumn<Settings>("expected");
    QTest::addColumn<bool>("complete");

    const Settings ph = mail::placeholders();
    QTest::newRow("no settings file: placeholders") << QByteArray() << ph << true;
    QTest::newRow("all three stored")
        << QByteArray("[メール]\r\n送信先=a@example.org\r\n自分のアドレス=b@example.org\r\nSMTP=mx.example.org:2525\r\n")
        << Settings{"a@example.org", "b@example.org", "mx.example.org:2525"} << true;
    QTest::newRow("SMTP present but empty")
        << QByteArray("[メール]\r\n送信先=a@example.org\r\n自分のアドレス=b@example.org\r\nSMTP=\r\n")
        << Settings{"a@example.org", "b@example.org", ""} << false;
}

void MailParams::settingsFromFile()
{
    QFETCH(QByteArray, file);
    QFETCH(Settings, expected);
    QFETCH(bool, complete);
    QVERIFY(!mail::placeholders().recipient.isEmpty() && mail::placeholders().complete());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mojipot.ini"));
    if (!file.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(sjis::encode(QString::fromUtf8(file)));
    }
    const Settings s = mail::readSettings(ProfileFile(path));
    QCOMPARE(s, expected);
    QCOMPARE(s.complete(), complete);
}

void MailParams::settingsWrittenInOrder()
{
    QTemporaryDir dir;
    const ProfileFile ini(dir.filePath(QStringLiteral("mojipot.ini")));
    const Settings s{"to@example.org", "", "127.0.0.1:2525"};
    mail::writeSettings(ini, s);
    QCOMPARE(mail::readSettings(ini), s); // an empty value is stored as empty
    QFile f(ini.path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = sjis::decode(f.readAll());
    const qsizetype to = text.indexOf(QStringLiteral("送信先="));
    const qsizetype from = text.indexOf(QStringLiteral("自分のアドレス="));
    const qsizetype smtp = text.indexOf(QStringLiteral("SMTP="));
    QVERIFY(text.startsWith(QStringLiteral("[メール]")));
    QVERIFY(to >= 0 && to < from && from < smtp);
}

void MailParams::commandRoundTrip_data()
{
    QTest::addColumn<Settings>("settings");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    QTest::newRow("host only") << Settings{"a@example.org", "b@example.org", "localhost"}
                               << QStringLiteral("あいう\r\n") << "localhost" << 0;
    QTest::newRow("host and port") << Settings{"a@example.org", "b@example.org", "127.0.0.1:2525"}
                                   << QStringLiteral("x\r\n") << "127.0.0.1" << 2525;
    QTest::newRow("internationalised server name")
        << Settings{"a@example.org", "b@example.org", "メール.example"} << QStringLiteral("x\r\n")
        << "xn--4dkua4c.example" << 0;
    QTest::newRow("text with options and header lines")
        << Settings{"a@example.org", "b@example.org", "localhost"}
        << QStringLiteral("本文 -f evil@example.org -hevil.example.org\r\nBcc: evil@example.org\r\n-m\r\n")
        << "localhost" << 0;
    QTest::newRow("recipient with a blank") << Settings{"a b@example.org", "b@example.org", "localhost"}
                                            << QStringLiteral("x\r\n") << "localhost" << 0;
}

void MailParams::commandRoundTrip()
{
    QFETCH(Settings, settings);
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QString reason;
    const QStringList arguments = mail::mailerArguments(settings, QDate(2007, 3, 5));
    const auto command = mail::parseMailerArguments(arguments, &reason);
    QVERIFY2(command, qPrintable(reason));
    for (const QString &a : arguments) // the text is on no command line
        QVERIFY(!a.contains(text));
    QCOMPARE(command->host, host);
    QCOMPARE(command->port, port);
    QCOMPARE(command->subject, QStringLiteral("日記07年03月05日"));
    QCOMPARE(command->recipients, settings.recipient);
    QCOMPARE(command->sender, settings.sender);
    QVERIFY(command->textFromInput);
    QVERIFY(command->text.isEmpty());
}

void MailParams::commandRejected_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reasonPart");

    const QStringList ok{"-hlocalhost", "-sS", "a@example.org", "-fb@example.org", "-Tt", "-m"};
    QTest::newRow("no server") << QStringList{"-sS", "a@example.org", "-fb@example.org", "-Tt", "-m"} << "-h";
    QTest::newRow("no recipient") << QStringList{"-hlocalhost", "-fb@example.org", "-Tt"} << "recipient";
    QTest::newRow("no sender") << QStringList{"-hlocalhost", "a@example.org", "-Tt"} << "-f";
    QTest::newRow("recipient read as a second -f") << QStringList(ok) << "";
    QTest::newRow("second recipient argument") << (QStringList(ok) << "c@example.org") << "recipient";
    QTest::newRow("unknown option") << (QStringList(ok) << "-x") << "-x";
    QTest::newRow("port out of range") << QStringList{"-hlocalhost:70000", "a@example.org", "-fb@example.org", "-Tt"} << "port";
    QTest::newRow("blank in server") << QStringList{"-hmail example.org", "a@example.org", "-fb@example.org", "-Tt"} << "server";
    QTest::newRow("URL pieces in server") << QStringList{"-hevil/x?y#z", "a@example.org", "-fb@example.org", "-Tt"} << "server";
    QTest::newRow("IPv6 without brackets") << QStringList{"-h::1", "a@example.org", "-fb@example.org", "-Tt"} << "brackets";
    QTest::newRow("value after -m") << (QStringList(ok).mid(0, 5) << "-mx") << "-m";
    QTest::newRow("no text") << QStringList{"-hlocalhost", "a@example.org", "-fb@example.org", "-m"} << "-i";
    QTest::newRow("the text both ways") << (QStringList(ok) << "-i") << "both";
    QTest::newRow("value after -i") << QStringList{"-hlocalhost", "a@example.org", "-fb@example.org", "-ix"} << "-i";
}

void MailParams::commandRejected()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reasonPart);
    if (reasonPart.isEmpty()) {
        // A recipient that looks like an option never replaces the sender silently.
        arguments[2] = QStringLiteral("-fevil@example.org");
        reasonPart = QStringLiteral("twice");
    }
    QString reason;
    QVERIFY(!mail::parseMailerArguments(arguments, &reason));
    QVERIFY2(reason.contains(reasonPart), qPrintable(reason));
    QVERIFY(!reason.contains(u'\n'));
}

void MailParams::target_data()
{
    QTest::addColumn<int>("commandPort");
    QTest::addColumn<int>("settingsPort");
    QTest::addColumn<int>("security");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("tls");
    QTest::addColumn<QString>("user");

    const int tryTls = int(SmtpTarget::Tls::Try), require = int(SmtpTarget::Tls::Require),
              never = int(SmtpTarget::Tls::Never);
    QTest::newRow("defaults: port 25, STARTTLS when offered") << 0 << 0 << int(Security::Auto) << "smtp://mx:25" << tryTls << QString();
    QTest::newRow("auto on 465: implicit TLS") << 465 << 0 << int(Security::Auto) << "smtps://mx:465" << require << QString();
    QTest::newRow("host's port wins") << 2525 << 587 << int(Security::Auto) << "smtp://mx:2525" << tryTls << QString();
    QTest::newRow("STARTTLS required") << 0 << 587 << int(Security::StartTls) << "smtp://mx:587" << require << QString();
    QTest::newRow("none on 465 stays plain") << 465 << 0 << int(Security::None) << "smtp://mx:465" << never << QString();
    QTest::newRow("auto with a user name: STARTTLS required")
        << 0 << 587 << int(Security::Auto) << "smtp://mx:587" << require << "taro";
    QTest::newRow("none with a user name: authenticates in the clear")
        << 0 << 587 << int(Security::None) << "smtp://mx:587" << never << "taro";
}

void MailParams::target()
{
    QFETCH(int, commandPort);
    QFETCH(int, settingsPort);
    QFETCH(int, security);
    QFETCH(QString, url);
    QFETCH(int, tls);
    QFETCH(QString, user);
    MailerCommand c;
    c.host = QStringLiteral("mx");
    c.port = commandPort;
    MailerSettings s;
    s.port = settingsPort;
    s.security = Security(security);
    s.user = user;
    const SmtpTarget t = mail::smtpTarget(c, s);
    QCOMPARE(t.url, url);
    QCOMPARE(int(t.tls), tls);
}

void MailParams::mailerSettingsKeptOwnerOnly()
{
    QTemporaryDir dir;
    const QString path = places::mailerSettingsIn(dir.path());
    QCOMPARE(mail::loadMailerSettings(path), MailerSettings{}); // no file: defaults

    MailerSettings s;
    s.port = 587;
    s.security = Security::StartTls;
    s.user = QStringLiteral("にっき");
    s.password = QStringLiteral(" pa=ss word ");
    mail::saveMailerSettings(path, s);
    QCOMPARE(mail::loadMailerSettings(path), s);
    const auto userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    QCOMPARE(QFile::permissions(path) & ~userBits, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // A value cannot add a line of its own.
    s.user = QStringLiteral("u\r\nport=1");
    mail::saveMailerSettings(path, s);
    QCOMPARE(mail::loadMailerSettings(path).port, 587);
    QCOMPARE(mail::loadMailerSettings(path).user, QStringLiteral("uport=1"));

    // A refused write is reported.
    QVERIFY_THROWS_EXCEPTION(AppError, mail::saveMailerSettings(dir.filePath("missing/smail.ini"), s));
}

QTEST_GUILESS_MAIN(MailParams)
#include "tst_mailparams.moc"
