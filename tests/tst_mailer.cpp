// The mailer program itself: the built smail delivers to a real SMTP server
// on 127.0.0.1, and fails with a status and a one-line reason; against a
// misbehaving server it keeps the password to itself and its time limits.

#include "base/places.h"
#include "mailsink.h"

#include "mail/mailercommand.h"

#include <QElapsedTimer>
#include <QTcpServer>

class Mailer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void delivery_data();
    void delivery();
    void failure_data();
    void failure();
    void usage();
    void passwordOnlyOverTls_data();
    void passwordOnlyOverTls();
    void everyStallEndsInTime();

private:
    struct Run
    {
        int status = -1;
        QByteArray error;
        QByteArray output;
    };
    // `input`, when given, is the mailer's standard input, which then ends.
    Run runMailer(const QStringList &arguments, const QByteArray *input = nullptr, int waitMs = 40000);
    QString mailerProgram() const { return m_base.filePath(QStringLiteral("smail/smail")); }

    QTemporaryDir m_base;
};

void Mailer::initTestCase()
{
    QVERIFY(layOutMailer(m_base.path()));
}

Mailer::Run Mailer::runMailer(const QStringList &arguments, const QByteArray *input, int waitMs)
{
    QProcess p;
    p.setProgram(mailerProgram());
    p.setArguments(arguments);
    if (!input)
        p.setStandardInputFile(QProcess::nullDevice());
    p.start();
    if (input) {
        p.write(*input);
        p.closeWriteChannel();
    }
    Run run;
    if (!p.waitForFinished(waitMs)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.error = p.readAllStandardError();
    run.output = p.readAllStandardOutput();
    return run;
}

void Mailer::delivery_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("rcptTos");
    QTest::addColumn<QString>("toHeader");
    QTest::addColumn<QString>("subjectSeen");
    QTest::addColumn<bool>("onInput"); // the text on standard input (-i) rather than -T

    const QString to = QStringLiteral("tomodachi@example.org");
    QTest::newRow("Japanese diary") << "日記07年03月05日" << to << "きょうは\r\nはれ\r\n"
                                    << QStringList{to} << to << "日記07年03月05日" << false;
    QTest::newRow("options, header lines and a lone dot stay body text")
        << "日記07年03月05日" << to
        << " -f evil@example.org\r\nBcc: evil@example.org\r\nSubject: x\r\n\r\n.\r\n-m\r\n"
        << QStringList{to} << to << "日記07年03月05日" << false;
    QTest::newRow("line break in the subject starts no header")
        << "日記\r\nBcc: evil@example.org" << to << "あ\r\n" << QStringList{to} << to
        << "日記  Bcc: evil@example.org" << false;
    const QString longSubject = QStringLiteral("Diary:") + QStringLiteral(" we walked to the sea and back").repeated(28);
    QTest::newRow("long ASCII subject arrives whole")
        << longSubject << to << "a\r\n" << QStringList{to} << to << longSubject << false;
    QTest::newRow("two recipients, one with a Japanese name")
        << "s" << "太郎 <taro@example.org>, hanako@example.org" << "あ\r\n"
        << QStringList{"taro@example.org", "hanako@example.org"}
        << "太郎 <taro@example.org>, hanako@example.org" << "s" << false;
    QTest::newRow("Japanese diary on standard input") << "日記07年03月05日" << to << "きょうは\r\nはれ\r\n"
                                                      << QStringList{to} << to << "日記07年03月05日" << true;
    QTest::newRow("options, header lines and a lone dot on standard input stay body text")
        << "日記07年03月05日" << to << " -f evil@example.org\r\nBcc: evil@example.org\r\n.\r\n-m\r\n"
        << QStringList{to} << to << "日記07年03月05日" << true;
}

void Mailer::delivery()
{
    QFETCH(QString, subject);
    QFETCH(QString, recipient);
    QFETCH(QString, text);
    QFETCH(QStringList, rcptTos);
    QFETCH(QString, toHeader);
    QFETCH(QString, subjectSeen);
    QFETCH(bool, onInput);

    SmtpSink sink;
    QVERIFY(sink.start());
    const QString host = QStringLiteral("127.0.0.1:%1").arg(sink.port());
    const QByteArray input = text.toUtf8();
    const Run run = runMailer({"-h" + host, "-s" + subject, recipient, "-fwatashi@example.org",
                               onInput ? QStringLiteral("-i") : "-T" + text, "-m"},
                              onInput ? &input : nullptr);
    QVERIFY2(run.status == 0, run.error.constData());
    QVERIFY(run.error.isEmpty());

    const QList<QJsonObject> received = sink.messages();
    QCOMPARE(received.size(), 1);
    const QJsonObject m = received.first();
    QCOMPARE(m.value("mail_from").toString(), QStringLiteral("watashi@example.org"));
    QStringList rcpt;
    for (const QJsonValue &v : m.value("rcpt_tos").toArray())
        rcpt.append(v.toString());
    QCOMPARE(rcpt, rcptTos);
    QCOMPARE(headerNames(m), expectedHeaderNames());
    QCOMPARE(headerValue(m, "From"), QStringLiteral("watashi@example.org"));
    QCOMPARE(headerValue(m, "To"), toHeader);
    QCOMPARE(headerValue(m, "Subject"), subjectSeen);
    QCOMPARE(m.value("content_type").toString(), QStringLiteral("text/plain"));
    QCOMPARE(m.value("charset").toString(), QStringLiteral("utf-8"));
    QCOMPARE(m.value("body").toString(), text);
    QVERIFY(!headerValue(m, "Message-ID").isEmpty());
    for (const QByteArray &line : sink.raw(1).split('\n'))
        QVERIFY2(line.size() <= 79, line.constData()); // 78 and the CR
    const QDateTime date = QDateTime::fromString(headerValue(m, "Date"), Qt::RFC2822Date);
    QVERIFY(date.isValid() && qAbs(date.secsTo(QDateTime::currentDateTime())) < 120);
}

void Mailer::failure_data()
{
    // "stopped": a port where nothing listens any more; "silent": never
    // answers; else a behaviour of the misbehaving server.
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reasonPart");
    QTest::addColumn<QByteArray>("input"); // when not empty, the text on standard input (-i)

    const QString to = QStringLiteral("tomodachi@example.org"), from = QStringLiteral("watashi@example.org");
    QTest::newRow("server stopped") << "stopped" << to << from << 1 << "connect" << QByteArray();
    QTest::newRow("blank in the recipient") << "running" << "tomo dachi@example.org" << from << 2 << "recipient" << QByteArray();
    QTest::newRow("recipient reads as a second sender") << "running" << "-fevil@example.org" << from << 2 << "twice" << QByteArray();
    QTest::newRow("sender with a line break") << "running" << to << "a@example.org\r\nRCPT TO:<x@example.org>" << 2 << "sender" << QByteArray();
    QTest::newRow("server that never answers gives up") << "silent" << to << from << 1 << "" << QByteArray();
    QTest::newRow("refused recipient: the server's reason")
        << "rcpt-unknown" << to << from << 1 << "550 5.1.1 User unknown" << QByteArray();
    QTest::newRow("text on standard input that is not UTF-8") << "running" << to << from << 2 << "UTF-8"
                                                              << QByteArray("\xff\xfe\r\n");
}

void Mailer::failure()
{
    QFETCH(QString, server);
    QFETCH(QString, recipient);
    QFETCH(QString, sender);
    QFETCH(int, status);
    QFETCH(QString, reasonPart);
    QFETCH(QByteArray, input);

    SmtpSink sink;
    QVERIFY(sink.start());
    QTcpServer silent;
    ScriptedSmtp scripted;
    int port = sink.port();
    if (server == u"stopped") {
        sink.stop();
    } else if (server == u"silent") {
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        port = silent.serverPort();
    } else if (server != u"running") {
        QVERIFY(scripted.start({server}));
        port = scripted.port(server);
    }
    const Run run = runMailer({QStringLiteral("-h127.0.0.1:%1").arg(port), "-s日記", recipient, "-f" + sender,
                               input.isEmpty() ? QStringLiteral("-Tあ\r\n") : QStringLiteral("-i"), "-m"},
                              input.isEmpty() ? nullptr : &input);
    QCOMPARE(run.status, status); // -1 would mean it did not end by itself within 40 seconds
    QVERIFY2(run.error.startsWith("smail: ") && run.error.endsWith('\n') && run.error.count('\n') == 1,
             run.error.constData());
    QVERIFY2(QString::fromUtf8(run.error).contains(reasonPart, Qt::CaseInsensitive), run.error.constData());
    QCOMPARE(sink.messages().size(), 0);
}

void Mailer::usage()
{
    const Run run = runMailer({QStringLiteral("--help")});
    QCOMPARE(run.status, 0);
    QVERIFY(run.error.isEmpty());
    QVERIFY2(run.output.startsWith("使い方: smail -h") && run.output.endsWith('\n'), run.output.constData());
}

void Mailer::passwordOnlyOverTls_data()
{
    QTest::addColumn<int>("security");
    QTest::addColumn<bool>("authenticates");
    QTest::newRow("自動: no STARTTLS offered, no AUTH") << int(mail::Security::Auto) << false;
    QTest::newRow("STARTTLS: no STARTTLS offered, no AUTH") << int(mail::Security::StartTls) << false;
    QTest::newRow("暗号化しない: authenticates in the clear") << int(mail::Security::None) << true;
}

void Mailer::passwordOnlyOverTls()
{
    QFETCH(int, security);
    QFETCH(bool, authenticates);
    // The server offers AUTH but no STARTTLS, as one would whose STARTTLS a
    // machine in the middle strips.
    ScriptedSmtp server;
    QVERIFY(server.start({QStringLiteral("auth")}));
    mail::MailerSettings settings;
    settings.security = mail::Security(security);
    settings.user = QStringLiteral("taro");
    settings.password = QStringLiteral("himitsu-42");
    const QString ini = places::mailerSettingsIn(m_base.filePath(QStringLiteral("smail")));
    mail::saveMailerSettings(ini, settings);
    const Run run = runMailer({QStringLiteral("-h127.0.0.1:%1").arg(server.port(QStringLiteral("auth"))), "-s日記",
                               "tomodachi@example.org", "-fwatashi@example.org", "-Tあ\r\n", "-m"});
    QFile::remove(ini);

    const QByteArray received = server.received(QStringLiteral("auth"));
    const QByteArray credentials = (QByteArray("\0taro\0", 6) + "himitsu-42").toBase64();
    QVERIFY(received.startsWith("EHLO "));
    if (authenticates) {
        QVERIFY2(run.status == 0, run.error.constData());
        QVERIFY(received.contains("AUTH PLAIN") && received.contains(credentials));
        return;
    }
    QCOMPARE(run.status, 1);
    QVERIFY2(run.error.contains("TLS") && run.error.count('\n') == 1, run.error.constData());
    QVERIFY2(!received.contains("AUTH") && !received.contains(credentials) && !received.contains("himitsu"),
             received.constData());
    QVERIFY(!received.contains("DATA"));
}

void Mailer::everyStallEndsInTime()
{
    // Each point where a server may stop answering, all at once so the
    // suite stays quick. Bounds on a hang, not speed measurements.
    const QStringList stalls{"stall-greeting", "stall-ehlo", "stall-mail", "stall-rcpt",
                             "stall-data", "stall-text", "stall-quit"};
    ScriptedSmtp server;
    QVERIFY(server.start(stalls));
    std::vector<std::unique_ptr<QProcess>> mailers;
    QList<qint64> endedAfterMs(stalls.size(), -1);
    QElapsedTimer clock;
    clock.start();
    for (qsizetype i = 0; i < stalls.size(); ++i) {
        auto &p = mailers.emplace_back(std::make_unique<QProcess>());
        p->setProgram(mailerProgram());
        p->setArguments({QStringLiteral("-h127.0.0.1:%1").arg(server.port(stalls[i])), "-s日記",
                         "tomodachi@example.org", "-fwatashi@example.org", "-Tあ\r\n", "-m"});
        connect(p.get(), &QProcess::finished, this, [&endedAfterMs, &clock, i] { endedAfterMs[i] = clock.elapsed(); });
        p->start();
    }
    // A caller that never ends the text on standard input.
    QProcess endless;
    endless.setProgram(mailerProgram());
    endless.setArguments({QStringLiteral("-h127.0.0.1:%1").arg(server.port(stalls[0])), "-s日記",
                          "tomodachi@example.org", "-fwatashi@example.org", "-i", "-m"});
    endless.start();
    endless.write("あ\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!endedAfterMs.contains(-1), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(endless.state() == QProcess::NotRunning, 10000);
    QVERIFY2(endless.exitCode() == 1 && endless.readAllStandardError().contains("standard input did not end"),
             "the mailer waited for its text without end");
    for (qsizetype i = 0; i < stalls.size(); ++i) {
        QProcess &p = *mailers[i];
        const QByteArray error = p.readAllStandardError();
        const bool accepted = stalls[i] == u"stall-quit";
        const QByteArray what = stalls[i].toUtf8() + ": " + error;
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == (accepted ? 0 : 1), what.constData());
        QVERIFY2(endedAfterMs[i] < 32000, (what + " after " + QByteArray::number(endedAfterMs[i]) + " ms").constData());
        QVERIFY2(accepted ? error.isEmpty() : error.startsWith("smail: ") && error.count('\n') == 1, what.constData());
    }
    // The mail that counts as sent did reach the server whole.
    const QByteArray quitStalled = server.received(QStringLiteral("stall-quit"));
    QVERIFY(quitStalled.contains("\r\n.\r\nQUIT\r\n"));
}

QTEST_GUILESS_MAIN(Mailer)
#include "tst_mailer.moc"
