// The mailer program itself: the built smail delivers to a real SMTP server
// on 127.0.0.1, and fails with a status and a one-line reason.

#include "mailsink.h"

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

private:
    struct Run
    {
        int status = -1;
        QByteArray error;
    };
    Run runMailer(const QStringList &arguments, int waitMs = 40000);
    QString mailerProgram() const { return m_base.filePath(QStringLiteral("smail/smail")); }

    QTemporaryDir m_base;
};

void Mailer::initTestCase()
{
    QVERIFY(layOutMailer(m_base.path()));
}

Mailer::Run Mailer::runMailer(const QStringList &arguments, int waitMs)
{
    QProcess p;
    p.setProgram(mailerProgram());
    p.setArguments(arguments);
    p.start();
    Run run;
    if (!p.waitForFinished(waitMs)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.error = p.readAllStandardError();
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

    const QString to = QStringLiteral("tomodachi@example.org");
    QTest::newRow("Japanese diary") << "日記07年03月05日" << to << "きょうは\r\nはれ\r\n"
                                    << QStringList{to} << to << "日記07年03月05日";
    QTest::newRow("options, header lines and a lone dot stay body text")
        << "日記07年03月05日" << to
        << " -f evil@example.org\r\nBcc: evil@example.org\r\nSubject: x\r\n\r\n.\r\n-m\r\n"
        << QStringList{to} << to << "日記07年03月05日";
    QTest::newRow("line break in the subject starts no header")
        << "日記\r\nBcc: evil@example.org" << to << "あ\r\n" << QStringList{to} << to
        << "日記  Bcc: evil@example.org";
    QTest::newRow("two recipients, one with a Japanese name")
        << "s" << "太郎 <taro@example.org>, hanako@example.org" << "あ\r\n"
        << QStringList{"taro@example.org", "hanako@example.org"}
        << "太郎 <taro@example.org>, hanako@example.org" << "s";
}

void Mailer::delivery()
{
    QFETCH(QString, subject);
    QFETCH(QString, recipient);
    QFETCH(QString, text);
    QFETCH(QStringList, rcptTos);
    QFETCH(QString, toHeader);
    QFETCH(QString, subjectSeen);

    SmtpSink sink;
    QVERIFY(sink.start());
    const QString host = QStringLiteral("127.0.0.1:%1").arg(sink.port());
    const Run run = runMailer({"-h" + host, "-s" + subject, recipient, "-fwatashi@example.org", "-T" + text, "-m"});
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
    const QDateTime date = QDateTime::fromString(headerValue(m, "Date"), Qt::RFC2822Date);
    QVERIFY(date.isValid() && qAbs(date.secsTo(QDateTime::currentDateTime())) < 120);
}

void Mailer::failure_data()
{
    QTest::addColumn<QString>("server"); // "stopped": a port where nothing listens any more; "silent": never answers
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reasonPart");

    const QString to = QStringLiteral("tomodachi@example.org"), from = QStringLiteral("watashi@example.org");
    QTest::newRow("server stopped") << "stopped" << to << from << 1 << "connect";
    QTest::newRow("blank in the recipient") << "running" << "tomo dachi@example.org" << from << 2 << "recipient";
    QTest::newRow("recipient reads as a second sender") << "running" << "-fevil@example.org" << from << 2 << "twice";
    QTest::newRow("sender with a line break") << "running" << to << "a@example.org\r\nRCPT TO:<x@example.org>" << 2 << "sender";
    QTest::newRow("server that never answers gives up") << "silent" << to << from << 1 << "";
}

void Mailer::failure()
{
    QFETCH(QString, server);
    QFETCH(QString, recipient);
    QFETCH(QString, sender);
    QFETCH(int, status);
    QFETCH(QString, reasonPart);

    SmtpSink sink;
    QVERIFY(sink.start());
    QTcpServer silent;
    int port = sink.port();
    if (server == u"stopped") {
        sink.stop();
    } else if (server == u"silent") {
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        port = silent.serverPort();
    }
    const Run run = runMailer({QStringLiteral("-h127.0.0.1:%1").arg(port), "-s日記", recipient, "-f" + sender,
                               "-Tあ\r\n", "-m"});
    QCOMPARE(run.status, status); // -1 would mean it did not end by itself within 40 seconds
    QVERIFY2(run.error.startsWith("smail: ") && run.error.endsWith('\n') && run.error.count('\n') == 1,
             run.error.constData());
    QVERIFY2(QString::fromUtf8(run.error).contains(reasonPart, Qt::CaseInsensitive), run.error.constData());
    QCOMPARE(sink.messages().size(), 0);
}

QTEST_GUILESS_MAIN(Mailer)
#include "tst_mailer.moc"
