// The settings file's reading and writing rules, on real files in a temporary folder.
#include "base/apperror.h"
#include "base/profilefile.h"
#include "base/sjis.h"
#include "fulldisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestProfileFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString fileWith(const QByteArray &bytes)
    {
        static int n = 0;
        const QString path = m_dir.filePath(QStringLiteral("s%1.ini").arg(++n));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot prepare %s", qPrintable(path));
        return path;
    }
    static QByteArray bytesOf(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static QByteArray sj(const char *utf8) { return sjis::encode(QString::fromUtf8(utf8)); }

private slots:
    void settingsPathBesideProgram_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("settings");
        QTest::newRow("no extension") << "/opt/dist/mojipot" << "/opt/dist/mojipot.ini";
        QTest::newRow("extension replaced") << "/opt/dist/prog.exe" << "/opt/dist/prog.ini";
        QTest::newRow("dot in folder only") << "/opt/v1.2/mojipot" << "/opt/v1.2/mojipot.ini";
        QTest::newRow("last extension only") << "/a/b.c.d" << "/a/b.c.ini";
    }
    void settingsPathBesideProgram()
    {
        QFETCH(QString, program);
        QFETCH(QString, settings);
        QCOMPARE(ProfileFile::pathForProgram(program), settings);
    }

    void readString_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray mail = sj("[メール]\r\nSMTP=mail.example.org\r\n");
        QTest::newRow("plain") << mail << "メール" << "SMTP" << "mail.example.org";
        QTest::newRow("key case ignored") << mail << "メール" << "smtp" << "mail.example.org";
        QTest::newRow("section case ignored") << QByteArray("[Mail]\r\nA=1\r\n") << "MAIL" << "a" << "1";
        QTest::newRow("blanks trimmed") << sj("[文字]\r\n  サイズ  =   48  \r\n") << "文字" << "サイズ" << "48";
        QTest::newRow("missing key") << mail << "メール" << "送信先" << "<default>";
        QTest::newRow("missing section") << mail << "音声" << "男性" << "<default>";
        QTest::newRow("empty file") << QByteArray() << "音声" << "男性" << "<default>";
        QTest::newRow("empty value is a value") << sj("[音声]\r\n男性=\r\n") << "音声" << "男性" << "";
        QTest::newRow("first of duplicated sections")
            << sj("[音声]\r\n男性=3\r\n[音声]\r\n男性=5\r\n") << "音声" << "男性" << "3";
        QTest::newRow("first of duplicated keys") << sj("[音声]\r\n男性=3\r\n男性=5\r\n") << "音声" << "男性" << "3";
        QTest::newRow("key of another section not taken")
            << sj("[文字]\r\n男性=9\r\n[音声]\r\n女性=1\r\n") << "音声" << "男性" << "<default>";
        QTest::newRow("LF only") << sj("[音声]\n男性=4\n") << "音声" << "男性" << "4";
        QTest::newRow("CR only") << sj("[音声]\r男性=4\r") << "音声" << "男性" << "4";
        QTest::newRow("missing bracket") << sj("[音声\r\n男性=6\r\n") << "音声" << "男性" << "6";
        QTest::newRow("no final line break") << sj("[音声]\r\n男性=7") << "音声" << "男性" << "7";
        QTest::newRow("value keeps inner equals") << QByteArray("[a]\r\nk= x=y \r\n") << "a" << "k" << "x=y";
        QTest::newRow("invalid Shift-JIS elsewhere")
            << (QByteArray("\xff\xfe\x81[x]\r\n") + sj("[音声]\r\n男性=8\r\n")) << "音声" << "男性" << "8";
        // The second byte of ソ is 0x5C and of 構 is 0x5C/0x7D-like: names must
        // be compared as characters, not as bytes folded to lower case.
        QTest::newRow("trail bytes in ASCII range") << sj("[ソフト]\r\n表=ok\r\n") << "ソフト" << "表" << "ok";
    }
    void readString()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(ProfileFile(fileWith(file)).readString(section, key, QStringLiteral("<default>")), expected);
    }

    void readStringCutAt2047()
    {
        const QByteArray longValue(5000, 'a');
        const ProfileFile ini(fileWith("[s]\r\nk=" + longValue + "\r\n"));
        QCOMPARE(ini.readString(QStringLiteral("s"), QStringLiteral("k"), {}).size(), 2047);
    }

    void tenMegabyteLine()
    {
        const QByteArray junk = "[x]\r\njunk=" + QByteArray(10 * 1024 * 1024, 'x') + "\r\n";
        const QByteArray bytes = sj("[音声]\r\n男性=3\r\n") + junk;
        const ProfileFile ini(fileWith(bytes));
        QCOMPARE(ini.read(settings::IntKey{QStringLiteral("音声"), QStringLiteral("男性"), 1}), 3);
        ini.write(settings::IntKey{QStringLiteral("音声"), QStringLiteral("女性"), 1}, 2);
        QCOMPARE(bytesOf(ini.path()), sj("[音声]\r\n男性=3\r\n女性=2\r\n") + junk);
    }

    void readInteger_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("inRange"); // read within -10 to 40
        QTest::newRow("decimal") << QByteArray("48") << 48 << 40;
        QTest::newRow("negative") << QByteArray("-3") << -3 << -3;
        QTest::newRow("plus sign") << QByteArray("+5") << 5 << 5;
        QTest::newRow("hex lower") << QByteArray("0x2") << 2 << 2;
        QTest::newRow("hex upper X") << QByteArray("0X1f") << 31 << 31;
        QTest::newRow("hex full pattern") << QByteArray("0xFFFFFFFF") << -1 << -1;
        QTest::newRow("only 0x is not a number") << QByteArray("0x") << 99 << 99;
        QTest::newRow("empty") << QByteArray("") << 99 << 99;
        QTest::newRow("words") << QByteArray("abc") << 99 << 99;
        QTest::newRow("digits then words") << QByteArray("12abc") << 99 << 99;
        QTest::newRow("blank inside") << QByteArray("1 2") << 99 << 99;
        QTest::newRow("too large") << QByteArray("99999999999") << 99 << 40;
        QTest::newRow("full-width digits") << sj("２") << 99 << 99;
        QTest::newRow("leading zero decimal") << QByteArray("032") << 32 << 32;
        QTest::newRow("far below, digits of any length") << QByteArray("-99999999999999999999999") << 99 << -10;
        QTest::newRow("far above with a plus sign") << QByteArray("+4294967296") << 99 << 40;
        QTest::newRow("leading zeros of any length") << QByteArray("0000000000000000000000007") << 7 << 7;
        QTest::newRow("a sign alone") << QByteArray("-") << 99 << 99;
    }
    void readInteger()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        QFETCH(int, inRange);
        const ProfileFile ini(fileWith("[s]\r\nk=" + value + "\r\n"));
        QCOMPARE(ini.read(settings::IntKey{QStringLiteral("s"), QStringLiteral("k"), 99}), expected);
        QCOMPARE(ini.read(settings::RangeKey{QStringLiteral("s"), QStringLiteral("k"), {-10, 40, 99}}), inRange);
    }

    void readBool_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("expected");
        QTest::newRow("1") << QByteArray("1") << false << true;
        QTest::newRow("0") << QByteArray("0") << true << false;
        QTest::newRow("2 counts as true") << QByteArray("2") << false << true;
        QTest::newRow("not a number keeps default true") << QByteArray("yes") << true << true;
        QTest::newRow("not a number keeps default false") << QByteArray("yes") << false << false;
        QTest::newRow("digits past 32 bits are on") << QByteArray("99999999999") << false << true;
        QTest::newRow("far below with a sign is on") << QByteArray("-99999999999999999999999") << false << true;
        QTest::newRow("zeros of any length are off") << QByteArray("0000000000000000000000000") << true << false;
        QTest::newRow("minus zero is off") << QByteArray("-0") << true << false;
        QTest::newRow("hexadecimal zero is off") << QByteArray("0x0") << true << false;
        QTest::newRow("hexadecimal other than zero is on") << QByteArray("0x10") << false << true;
        QTest::newRow("full-width digits keep default true") << sj("０") << true << true;
        QTest::newRow("empty keeps default true") << QByteArray("") << true << true;
        QTest::newRow("a sign alone keeps default false") << QByteArray("+") << false << false;
        QTest::newRow("digits then words keep default true") << QByteArray("0abc") << true << true;
    }
    void readBool()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, defaultValue);
        QFETCH(bool, expected);
        const ProfileFile ini(fileWith("[s]\r\nk=" + value + "\r\n"));
        QCOMPARE(ini.read(settings::BoolKey{QStringLiteral("s"), QStringLiteral("k"), defaultValue}), expected);
    }

    void writeBytes_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new file") << QByteArray("<none>") << "入力方法" << "番号" << "1"
                                  << sj("[入力方法]\r\n番号=1\r\n");
        QTest::newRow("empty file") << QByteArray() << "入力方法" << "番号" << "1" << sj("[入力方法]\r\n番号=1\r\n");
        QTest::newRow("replace keeps other lines byte for byte")
            << sj("; note\n[音声]\r\n男性=1\r\n女性=2\r\n\r\n[文字]\rサイズ=32\r")
            << "音声" << "男性" << "3"
            << sj("; note\n[音声]\r\n男性=3\r\n女性=2\r\n\r\n[文字]\rサイズ=32\r");
        QTest::newRow("new key after last key of section, before blank lines")
            << sj("[音声]\r\n男性=1\r\n\r\n[文字]\r\nサイズ=32\r\n") << "音声" << "女性" << "2"
            << sj("[音声]\r\n男性=1\r\n女性=2\r\n\r\n[文字]\r\nサイズ=32\r\n");
        QTest::newRow("new section appended, missing final break added")
            << sj("[音声]\r\n男性=1") << "文字" << "反転" << "1"
            << sj("[音声]\r\n男性=1\r\n[文字]\r\n反転=1\r\n");
        QTest::newRow("section matched without case") << QByteArray("[MAIL]\r\nsmtp=a\r\n") << "Mail" << "SMTP" << "b"
                                                     << QByteArray("[MAIL]\r\nSMTP=b\r\n");
        QTest::newRow("first of duplicated keys written")
            << sj("[音声]\r\n男性=1\r\n男性=5\r\n") << "音声" << "男性" << "4" << sj("[音声]\r\n男性=4\r\n男性=5\r\n");
        QTest::newRow("key in last line without break")
            << sj("[音声]\r\n男性=1") << "音声" << "女性" << "2" << sj("[音声]\r\n男性=1\r\n女性=2\r\n");
        QTest::newRow("line break in a value cannot forge a key")
            << QByteArray() << "メール" << "SMTP" << "a\r\n[x]\ny=1" << sj("[メール]\r\nSMTP=a  [x] y=1\r\n");
        QTest::newRow("random bytes kept")
            << QByteArray("\x00\xff\x81\r\n[s]\r\n", 10) << "s" << "k" << "v"
            << QByteArray("\x00\xff\x81\r\n[s]\r\nk=v\r\n", 15);
    }
    void writeBytes()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        const QString path = before == "<none>" ? m_dir.filePath(QStringLiteral("fresh.ini")) : fileWith(before);
        const ProfileFile ini(path);
        ini.writeString(section, key, value);
        QCOMPARE(bytesOf(path), after);
    }

    void writeThenRead_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("address") << "taro@example.org";
        QTest::newRow("japanese") << "日記のあて先";
        QTest::newRow("empty") << "";
        QTest::newRow("equals sign") << "a=b";
    }
    void writeThenRead()
    {
        QFETCH(QString, value);
        const ProfileFile ini(fileWith(sj("[メール]\r\nSMTP=x\r\n")));
        ini.writeString(QStringLiteral("メール"), QStringLiteral("送信先"), value);
        QCOMPARE(ini.readString(QStringLiteral("メール"), QStringLiteral("送信先"), QStringLiteral("<d>")), value);
        QCOMPARE(ini.readString(QStringLiteral("メール"), QStringLiteral("SMTP"), {}), QStringLiteral("x"));
    }

    void integersAndBooleansWrittenAsText()
    {
        const QString path = fileWith({});
        const ProfileFile ini(path);
        ini.write(settings::IntKey{QStringLiteral("文字"), QStringLiteral("サイズ"), 32}, 48);
        ini.write(settings::BoolKey{QStringLiteral("文字"), QStringLiteral("反転"), false}, true);
        ini.write(settings::BoolKey{QStringLiteral("文字"), QStringLiteral("X"), true}, false);
        ini.write(settings::RangeKey{QStringLiteral("文字"), QStringLiteral("Y"), {0, 10, 5}}, -20);
        QCOMPARE(bytesOf(path), sj("[文字]\r\nサイズ=48\r\n反転=1\r\nX=0\r\nY=-20\r\n"));
    }

    // A declared key is read as its kind reads it; a standard the file
    // decides stands only for a missing or unreadable value, and a range
    // keeps its ends. What a key reads, written back, is read again alike.
    void declaredKeys_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("value"); // "<none>": the key is missing
        QTest::addColumn<QString>("read");     // "<standard>": what stands for the key
        QTest::newRow("integer: hexadecimal") << "integer" << QByteArray("0x1f") << "31";
        QTest::newRow("integer: no range") << "integer" << QByteArray("-5") << "-5";
        QTest::newRow("integer: past 32 bits unreadable") << "integer" << QByteArray("99999999999") << "<standard>";
        QTest::newRow("integer: missing") << "integer" << QByteArray("<none>") << "<standard>";
        QTest::newRow("range: past 32 bits to the high end") << "range" << QByteArray("99999999999") << "40";
        QTest::newRow("range: below to the low end") << "range" << QByteArray("-5") << "1";
        QTest::newRow("range: words") << "range" << QByteArray("abc") << "<standard>";
        QTest::newRow("range: empty") << "range" << QByteArray("") << "<standard>";
        QTest::newRow("range: missing") << "range" << QByteArray("<none>") << "<standard>";
        QTest::newRow("on/off: 2 is on") << "on/off" << QByteArray("2") << "1";
        QTest::newRow("on/off: zeros of any length are off") << "on/off" << QByteArray("00000") << "0";
        QTest::newRow("on/off: full-width digit") << "on/off" << sj("１") << "<standard>";
        QTest::newRow("on/off: missing") << "on/off" << QByteArray("<none>") << "<standard>";
        QTest::newRow("text: trimmed") << "text" << QByteArray("  a b ") << "a b";
        QTest::newRow("text: Japanese") << "text" << sj("日記のあて先") << "日記のあて先";
        QTest::newRow("text: empty is a value") << "text" << QByteArray("") << "";
        QTest::newRow("text: missing") << "text" << QByteArray("<none>") << "<standard>";
    }
    void declaredKeys()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, value);
        QFETCH(QString, read);
        const bool missing = value == "<none>";
        const ProfileFile ini(fileWith(missing ? QByteArray("[s]\r\n") : "[s]\r\nk=" + value + "\r\n"));
        const auto asText = [](const auto &v) {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, QString>)
                return v;
            else
                return QString::number(int(v));
        };
        // The key as declared (standing for it: `declared`) and with the file's own standard.
        const auto check = [&](const auto &key, const auto &declared, const auto &other) {
            const bool standard = read == u"<standard>";
            QCOMPARE(asText(ini.read(key)), standard ? asText(declared) : read);
            QCOMPARE(asText(ini.read(key.withStandard(other))), standard ? asText(other) : read);
            QCOMPARE(ini.text(key), missing ? QString() : sjis::decode(value).trimmed());
            const auto got = ini.read(key);
            ini.write(key, got);
            QCOMPARE(ini.read(key), got);
            QCOMPARE(bytesOf(ini.path()), "[s]\r\n" + sjis::encode(QStringLiteral("K=") + asText(got)) + "\r\n");
        };
        // Names in other cases than the file's: the same key.
        if (kind == u"integer")
            check(settings::IntKey{QStringLiteral("S"), QStringLiteral("K"), 7}, 7, 8);
        else if (kind == u"range")
            check(settings::RangeKey{QStringLiteral("S"), QStringLiteral("K"), {1, 40, 7}}, 7, 8);
        else if (kind == u"on/off")
            check(settings::BoolKey{QStringLiteral("S"), QStringLiteral("K"), false}, false, true);
        else
            check(settings::TextKey{QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")}, QStringLiteral("d"), QStringLiteral("e"));
    }

    // A full disk, met at any point of the write, keeps the old settings
    // file as it was and leaves nothing behind; a file that just fits is written.
    void fullDiskKeepsOldFile_data() { FullDisk::addRows(); }
    void fullDiskKeepsOldFile()
    {
        QFETCH(qint64, newSize);
        QFETCH(qint64, freeRoom);
        FullDisk disk;
        if (!disk.unavailable().isEmpty())
            QSKIP(disk.unavailable().constData());
        const QString path = disk.filePath(QStringLiteral("mojipot.ini"));
        const QByteArray original = sj("[音声]\r\n男性=1\r\n");
        QVERIFY(disk.holding(path, original, freeRoom));
        const QString section = QStringLiteral("メール"), key = QStringLiteral("SMTP");
        const qsizetype frame = ProfileFile::withValue(original, section, key, {}).size();
        const QString value(qMax<qsizetype>(1, newSize - frame), u'a');
        const QByteArray wanted = ProfileFile::withValue(original, section, key, value);
        QVERIFY(wanted.size() == newSize || newSize < frame);
        QString message = QStringLiteral("<none>");

        try {
            ProfileFile(path).writeString(section, key, value);
        } catch (const AppError &e) {
            message = e.message();
        }

        const bool fits = wanted.size() <= freeRoom;
        QCOMPARE(message, fits ? QStringLiteral("<none>") : path + QStringLiteral(" に書き込めません"));
        QCOMPARE(bytesOf(path), fits ? wanted : original);
        QCOMPARE(QDir(disk.folder()).entryList(QDir::Files), QStringList{QStringLiteral("mojipot.ini")});
    }

    void refusedWrites_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("read-only file") << false;
        QTest::newRow("read-only folder") << true;
    }
    void refusedWrites()
    {
        QFETCH(bool, readOnlyFolder);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mojipot.ini"));
        const QByteArray original = sj("[音声]\r\n男性=1\r\n");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(original);
        }
        if (readOnlyFolder)
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        else
            QFile::setPermissions(path, QFile::ReadOwner);
        const ProfileFile ini(path);
        try {
            ini.write(settings::IntKey{QStringLiteral("音声"), QStringLiteral("男性"), 1}, 2);
            QFAIL("the write was not refused");
        } catch (const AppError &e) {
            QCOMPARE(e.message(), path + QStringLiteral(" に書き込めません"));
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(bytesOf(path), original);
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
