// Building the message: addresses, encoded-words, the date, the headers and
// the body as they go over SMTP.

#include "mail/message.h"

#include <QRegularExpression>
#include <QTest>
#include <QTimeZone>

using mail::Address;

namespace {

// Decodes a header value made of UTF-8 base64 encoded-words (and folding).
QString decodeWords(const QByteArray &value)
{
    static const QRegularExpression word(QStringLiteral("=\\?UTF-8\\?B\\?([A-Za-z0-9+/=]*)\\?="));
    QByteArray utf8;
    auto it = word.globalMatch(QString::fromLatin1(value));
    while (it.hasNext())
        utf8 += QByteArray::fromBase64(it.next().captured(1).toLatin1());
    return QString::fromUtf8(utf8);
}

QList<QByteArray> lines(const QByteArray &text)
{
    QList<QByteArray> list = text.split('\n');
    for (QByteArray &l : list)
        if (l.endsWith('\r'))
            l.chop(1);
    return list;
}

} // namespace

class MailMessage : public QObject
{
    Q_OBJECT

private slots:
    void headerText_data();
    void headerText();
    void addresses_data();
    void addresses();
    void date_data();
    void date();
    void wholeMessage();
};

void MailMessage::headerText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("encoded");
    QTest::addColumn<QString>("decoded"); // what a reader sees

    QTest::newRow("ASCII stays") << QStringLiteral("Diary 07") << false << QStringLiteral("Diary 07");
    QTest::newRow("subject date") << QStringLiteral("日記07年03月05日") << true << QStringLiteral("日記07年03月05日");
    QTest::newRow("CR LF cannot start a header")
        << QStringLiteral("hi\r\nBcc: evil@example.org") << false << QStringLiteral("hi  Bcc: evil@example.org");
    QTest::newRow("Japanese with injected line")
        << QStringLiteral("日記\nBcc: evil@example.org") << true << QStringLiteral("日記 Bcc: evil@example.org");
    QTest::newRow("literal =? is encoded") << QStringLiteral("a =?x?= b") << true << QStringLiteral("a =?x?= b");
    QTest::newRow("long text over several words") << QString(60, QChar(u'あ')) << true << QString(60, QChar(u'あ'));
    QTest::newRow("characters outside the BMP are not cut")
        << QString::fromUtf8("😀😀😀😀😀😀😀😀😀😀😀😀x") << true << QString::fromUtf8("😀😀😀😀😀😀😀😀😀😀😀😀x");
    const QString longAscii = QStringLiteral("Diary:") + QStringLiteral(" we walked to the sea and back").repeated(28);
    QTest::newRow("long ASCII folds before blanks") << longAscii << false << longAscii;
    QTest::newRow("blanks kept where lines fold")
        << QStringLiteral("ab   cd  ").repeated(20) << false << QStringLiteral("ab   cd  ").repeated(20);
    QTest::newRow("ASCII run too long for a line is encoded")
        << QString(100, QChar(u'a')) << true << QString(100, QChar(u'a'));
}

void MailMessage::headerText()
{
    QFETCH(QString, text);
    QFETCH(bool, encoded);
    QFETCH(QString, decoded);
    const QByteArray value = mail::encodeHeaderText(text);
    QCOMPARE(value.startsWith("=?UTF-8?B?"), encoded);
    // A reader unfolds plain text by dropping the line breaks.
    QCOMPARE(encoded ? decodeWords(value) : QString::fromLatin1(value).remove(QStringLiteral("\r\n")), decoded);
    const QList<QByteArray> parts = lines(value);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray &line = parts[i];
        // Continuation lines begin with a blank; nothing else follows a break.
        QVERIFY(i == 0 || line.startsWith(' '));
        QVERIFY2((i == 0 ? "Subject: " + line : line).size() <= 78, line.constData());
        QVERIFY(i == 0 || !line.trimmed().isEmpty());
        QVERIFY(!line.contains('\r') && !line.contains('\n'));
        if (encoded) {
            QVERIFY2(line.trimmed().size() <= 75, line.constData());
            QVERIFY(QByteArray("Subject: " + line).size() <= 78);
            // Every word decodes alone to whole characters.
            QVERIFY(!decodeWords(line.trimmed()).contains(QChar::ReplacementCharacter));
        }
    }
}

void MailMessage::addresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("address");

    QTest::newRow("plain") << "taro@example.org" << true << "" << QByteArray("taro@example.org");
    QTest::newRow("angle brackets") << "<taro@example.org>" << true << "" << QByteArray("taro@example.org");
    QTest::newRow("Japanese name") << "山田 太郎 <taro@example.org>" << true << "山田 太郎" << QByteArray("taro@example.org");
    QTest::newRow("quoted name") << "\"Taro Y\" <taro@example.org>" << true << "Taro Y" << QByteArray("taro@example.org");
    QTest::newRow("internationalised domain") << "taro@メール.example" << true << "" << QByteArray("taro@xn--4dkua4c.example");
    QTest::newRow("blank inside") << "taro yamada@example.org" << false << "" << QByteArray();
    QTest::newRow("line break inside") << "taro@example.org\r\nBcc: x@example.org" << false << "" << QByteArray();
    QTest::newRow("no @") << "taro" << false << "" << QByteArray();
    QTest::newRow("Japanese local part") << "たろう@example.org" << false << "" << QByteArray();
    QTest::newRow("unclosed bracket") << "Taro <taro@example.org" << false << "" << QByteArray();
    QTest::newRow("bracket inside address") << "<ta<ro@example.org>" << false << "" << QByteArray();
}

void MailMessage::addresses()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, name);
    QFETCH(QByteArray, address);
    QString reason;
    const auto a = mail::parseAddress(text, &reason);
    QCOMPARE(bool(a), valid);
    if (!valid) {
        QVERIFY(!reason.isEmpty() && !reason.contains(u'\n'));
        return;
    }
    QCOMPARE(a->displayName, name);
    QCOMPARE(a->address, address);
}

void MailMessage::date_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("Tokyo") << QDateTime(QDate(2007, 3, 5), QTime(9, 30), QTimeZone(9 * 3600))
                           << QByteArray("Mon, 05 Mar 2007 09:30:00 +0900");
    QTest::newRow("west of Greenwich, half hour")
        << QDateTime(QDate(2000, 1, 1), QTime(23, 59, 59), QTimeZone(-(3 * 3600 + 1800)))
        << QByteArray("Sat, 01 Jan 2000 23:59:59 -0330");
}

void MailMessage::date()
{
    QFETCH(QDateTime, when);
    QFETCH(QByteArray, expected);
    QCOMPARE(mail::formatDate(when), expected);
}

void MailMessage::wholeMessage()
{
    mail::Message m;
    m.from = *mail::parseAddress(QStringLiteral("watashi@example.org"));
    m.to = *mail::parseAddressList(QStringLiteral("tomodachi@example.org"));
    m.subject = QStringLiteral("日記07年03月05日\r\nBcc: evil@example.org");
    m.text = QStringLiteral("きょうは\r\n\r\nBcc: evil@example.org\n.\r\n") + QString(200, QChar(u'あ')) + u'\r';
    m.date = QDateTime(QDate(2007, 3, 5), QTime(9, 30), QTimeZone(9 * 3600));
    m.messageId = mail::newMessageId(m.from, m.date);
    QVERIFY(m.messageId.startsWith('<') && m.messageId.endsWith("@example.org>"));
    QVERIFY(m.messageId != mail::newMessageId(m.from, m.date));

    const QByteArray bytes = mail::build(m);
    // Only CR LF line ends, no line beyond 78 characters.
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
    const qsizetype split = bytes.indexOf("\r\n\r\n");
    QVERIFY(split > 0);
    const QList<QByteArray> head = lines(bytes.left(split));
    QStringList names;
    for (const QByteArray &line : head) {
        QVERIFY(line.size() <= 78);
        if (!line.startsWith(' '))
            names.append(QString::fromLatin1(line.left(line.indexOf(':'))));
    }
    QCOMPARE(names, (QStringList{"Date", "From", "To", "Subject", "Message-ID", "MIME-Version",
                                 "Content-Type", "Content-Transfer-Encoding"}));
    QVERIFY(head.contains("Content-Type: text/plain; charset=UTF-8"));
    QVERIFY(head.contains("Date: Mon, 05 Mar 2007 09:30:00 +0900"));

    const QByteArray body = bytes.mid(split + 4);
    for (const QByteArray &line : lines(body))
        QVERIFY(line.size() <= 76);
    const QString expected = QStringLiteral("きょうは\r\n\r\nBcc: evil@example.org\r\n.\r\n")
        + QString(200, QChar(u'あ')) + QStringLiteral("\r\n");
    QCOMPARE(QString::fromUtf8(QByteArray::fromBase64(body)), expected);
}

QTEST_GUILESS_MAIN(MailMessage)
#include "tst_mailmessage.moc"
