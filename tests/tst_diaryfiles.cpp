// Diary names and the bytes of diary files, on real files in a temporary folder.
#include "base/places.h"
#include "base/apperror.h"
#include "base/sjis.h"
#include "diary/diarypaths.h"
#include "base/filecodec.h"
#include "fulldisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray sj(const char *utf8)
{
    return sjis::encode(QString::fromUtf8(utf8));
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot prepare %s", qPrintable(path));
}

// The message of the AppError an operation throws, or "<none>".
template <typename F>
QString errorOf(F &&operation)
{
    try {
        operation();
    } catch (const AppError &e) {
        return e.message();
    }
    return QStringLiteral("<none>");
}

const QByteArray kBom("\xEF\xBB\xBF");

} // namespace

class TestDiaryFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char *name) const { return m_dir.filePath(QString::fromUtf8(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        put(path("big.txt"), QByteArray(filecodec::kMaxOpenBytes + 1, 'a'));
        put(path("huge.txt"), QByteArray(10 * 1024 * 1024, 'a'));
    }

    void datedFileName_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("name");
        QTest::newRow("last day of 2099") << QDate(2099, 12, 31) << "日記99年12月31日.txt";
        QTest::newRow("first day of 2000") << QDate(2000, 1, 1) << "日記00年01月01日.txt";
        QTest::newRow("leading zeros") << QDate(2007, 3, 5) << "日記07年03月05日.txt";
        QTest::newRow("leap day") << QDate(2024, 2, 29) << "日記24年02月29日.txt";
    }
    void datedFileName()
    {
        QFETCH(QDate, date);
        QFETCH(QString, name);
        QCOMPARE(diary::datedFileName(date), name);
        diary::setDateSource([date] { return date; });
        QCOMPARE(diary::datedFileIn(places::resolve({}, QStringLiteral("/x/mojipot"), QStringLiteral("/home/u/dist"), {}).diaryFolder, diary::today()),
                 QStringLiteral("/home/u/dist/日記/") + name);
        diary::setDateSource({});
        QCOMPARE(diary::today(), QDate::currentDate());
    }

    void encode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << "" << QByteArray();
        QTest::newRow("kana in Shift-JIS") << "あいう" << QByteArray("\x82\xA0\x82\xA2\x82\xA4");
        QTest::newRow("CR LF between lines, none added") << "あ\nい" << sj("あ\r\nい");
        QTest::newRow("only a line break") << "\n" << QByteArray("\r\n");
        QTest::newRow("trailing break kept, not doubled") << "あ\n" << sj("あ\r\n");
        QTest::newRow("empty lines") << "\n\nあ" << sj("\r\n\r\nあ");
        QTest::newRow("ideographic space and marks") << "　゛゜ー、。" << sj("　゛゜ー、。");
        QTest::newRow("kanji and ASCII") << "日記 abc" << sj("日記 abc");
        QTest::newRow("emoji falls back to UTF-8") << "あ😀\nい" << kBom + QByteArray("あ😀\r\nい");
        QTest::newRow("wave dash of other systems") << "〜" << kBom + QByteArray("〜");
        QTest::newRow("rare kanji") << "𠮷" << kBom + QByteArray("𠮷");
        QTest::newRow("marks of unreadable bytes as ?") << "あ\uFFFDい\uFFFD" << sj("あ?い?");
        QTest::newRow("marks kept in UTF-8 beside an emoji")
            << "\uFFFD😀" << kBom + QByteArray("\uFFFD😀");
        QTest::newRow("control characters as themselves") << QString::fromUtf16(u"\u001A\u001C\u007F")
                                                            << QByteArray("\x1A\x1C\x7F");
    }
    void encode()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(filecodec::encode(text), bytes);
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("Shift-JIS") << sj("きょうは\r\nはれ") << "きょうは\nはれ";
        QTest::newRow("Shift-JIS half-width kana") << QByteArray("\xB1\xB2") << "ｱｲ";
        QTest::newRow("ASCII") << QByteArray("abc\r\n") << "abc\n";
        QTest::newRow("UTF-8 without mark") << QByteArray("にっき\r\n😀") << "にっき\n😀";
        QTest::newRow("UTF-8 with mark") << kBom + QByteArray("にっき") << "にっき";
        QTest::newRow("UTF-8 mark twice keeps the second")
            << kBom + kBom + QByteArray("a") << QString(QChar(0xFEFF)) + u'a';
        QTest::newRow("UTF-16 LE")
            << QByteArray("\xFF\xFE\x42\x30\x0D\x00\x0A\x00\x44\x30", 10) << "あ\nい";
        QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF\x30\x42\x00\x0A\x30\x44", 8) << "あ\nい";
        QTest::newRow("UTF-16 odd last byte") << QByteArray("\xFF\xFE\x42\x30\x41", 5) << "あ\uFFFD";
        QTest::newRow("UTF-16 lone high surrogate") << QByteArray("\xFF\xFE\x3D\xD8\x42\x30", 6) << "\uFFFDあ";
        QTest::newRow("UTF-16 lone low surrogate") << QByteArray("\xFF\xFE\xDE\xDF", 4) << "\uFFFD";
        QTest::newRow("UTF-16 pair kept") << QByteArray("\xFF\xFE\x3D\xD8\x00\xDE", 6) << "😀";
        QTest::newRow("lone CR is a line break") << QByteArray("a\rb") << "a\nb";
        QTest::newRow("LF alone") << QByteArray("a\nb") << "a\nb";
        QTest::newRow("tab kept") << QByteArray("a\tb") << "a\tb";
        QTest::newRow("binary bytes") << QByteArray("\x00\x01\x82\xA0\xFF", 5) << "\uFFFD\uFFFDあ\uFFFD";
        QTest::newRow("cut lead byte at end") << QByteArray("\x82\xA0\x82", 3) << "あ\uFFFD";
        // Short half-width katakana whose bytes are valid UTF-8 as well.
        QTest::newRow("ﾃｽ, not UTF-8 ý") << QByteArray("\xC3\xBD\r\n") << "ﾃｽ\n";
        QTest::newRow("ﾈｺ, not UTF-8 Ⱥ") << QByteArray("\xC8\xBA") << "ﾈｺ";
        QTest::newRow("ﾑｼ, not UTF-8 Cyrillic") << QByteArray("\xD1\xBC") << "ﾑｼ";
        QTest::newRow("ﾐｽ, not UTF-8 н") << QByteArray("\xD0\xBD") << "ﾐｽ";
        QTest::newRow("ﾕｷ, not UTF-8 Armenian") << QByteArray("\xD5\xB7") << "ﾕｷ";
        QTest::newRow("accented Latin read as Shift-JIS") << QByteArray("caf\xC3\xA9") << "cafﾃｩ";
        QTest::newRow("UTF-8 kana that is valid Shift-JIS too") << QByteArray("あい") << "あい";
        QTest::newRow("UTF-8 kanji and kana") << QByteArray("日記をかいた") << "日記をかいた";
        QTest::newRow("half-width katakana with a mark stays UTF-8") << kBom + QByteArray("\xC3\xBD") << "ý";
        QTest::newRow("control bytes as Windows maps them, then marked")
            << QByteArray("a\x1A" "b\x1C" "c\x7F", 6) << "a\uFFFDb\uFFFDc\uFFFD";
        QTest::newRow("one bad byte keeps the rest Shift-JIS")
            << QByteArray("\x82\xA0\x80\x82\xA2") << "あ\uFFFDい";
    }

    // Code page 932 as Windows reads and writes it: the characters shown for
    // the bytes, and the bytes saved for them (two duplicates are saved in
    // the form Windows uses).
    void windowsCodePage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("saved");
        const auto row = [](const char *tag, const QByteArray &bytes, const QString &text, const QByteArray &saved) {
            QTest::newRow(tag) << bytes << text << saved;
        };
        row("8160 full-width tilde", "\x81\x60", u"\uFF5E"_qs, "\x81\x60");
        row("817C full-width minus", "\x81\x7C", u"\uFF0D"_qs, "\x81\x7C");
        row("8191 cent", "\x81\x91", u"\uFFE0"_qs, "\x81\x91");
        row("8192 pound", "\x81\x92", u"\uFFE1"_qs, "\x81\x92");
        row("81CA not sign", "\x81\xCA", u"\uFFE2"_qs, "\x81\xCA");
        row("815F backslash", "\x81\x5F", u"\uFF3C"_qs, "\x81\x5F");
        row("8740 circled one", "\x87\x40", u"①"_qs, "\x87\x40");
        row("FA40 small roman one", "\xFA\x40", u"ⅰ"_qs, "\xFA\x40");
        row("FA5B because, saved as 81E6", "\xFA\x5B", u"∵"_qs, "\x81\xE6");
        row("ED40 NEC-selected kanji, saved as FA5C", "\xED\x40", u"纊"_qs, "\xFA\x5C");
        row("B1 half-width a", "\xB1", u"ｱ"_qs, "\xB1");
        row("F040 user-defined", "\xF0\x40", u"\uE000"_qs, "\xF0\x40");
        row("1A substitute control", "\x1A", u"\u001A"_qs, "\x1A");
        row("1C file separator", "\x1C", u"\u001C"_qs, "\x1C");
        row("7F delete", "\x7F", u"\u007F"_qs, "\x7F");
        row("NUL", QByteArray(1, '\0'), QString(QChar(0)), QByteArray(1, '\0'));
        row("controls inside kanji", "\x88\x9F\x1A\x88\x9F", u"亜\u001A亜"_qs, "\x88\x9F\x1A\x88\x9F");
    }
    void windowsCodePage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QByteArray, saved);
        bool clean = false;
        QCOMPARE(sjis::decode(bytes, &clean), text);
        QVERIFY(clean);
        bool lossless = false;
        QCOMPARE(sjis::encode(text, &lossless), saved);
        QVERIFY(lossless);
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(filecodec::decode(bytes), text);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("kana") << "きょうは　はれ。\nあしたも";
        QTest::newRow("emoji") << "たのしかった😀\n";
        QTest::newRow("leading zero-width no-break space") << "\uFEFFあ";
        QTest::newRow("rare kanji and wave dash") << "𠮷野家〜";
    }
    void roundTrip()
    {
        QFETCH(QString, text);
        const QString file = path("round.txt");
        filecodec::writeFile(file, text);
        QCOMPARE(filecodec::readFile(file), text);
    }

    void writeReplacesWholeFile()
    {
        const QString file = path("twice.txt");
        filecodec::writeFile(file, QStringLiteral("ながいながいにっき\nにぎょうめ"));
        filecodec::writeFile(file, QStringLiteral("みじかい"));
        QCOMPARE(bytesOf(file), sj("みじかい"));
        filecodec::writeFile(file, QString());
        QCOMPARE(bytesOf(file), QByteArray());
        QVERIFY(QFile::exists(file));
    }

    void refusedWritesKeepOldFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("readOnlyFile");
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("missing folder") << "なし/日記.txt" << false << false;
        QTest::newRow("read-only file") << "ro/日記.txt" << true << false;
        QTest::newRow("read-only folder") << "ro/日記.txt" << false << true;
        QTest::newRow("a folder of that name") << "ro" << false << false;
    }
    void refusedWritesKeepOldFile()
    {
        QFETCH(QString, target);
        QFETCH(bool, readOnlyFile);
        QFETCH(bool, readOnlyFolder);
        const QString folder = m_dir.filePath(QStringLiteral("ro"));
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString old = folder + QStringLiteral("/日記.txt");
        const QByteArray oldBytes = sj("だいじなにっき\r\n");
        put(old, oldBytes);
        if (readOnlyFile)
            QFile::setPermissions(old, QFile::ReadOwner);
        if (readOnlyFolder)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        const QString file = m_dir.filePath(target);

        const QString message = errorOf([&] { filecodec::writeFile(file, QStringLiteral("あたらしい")); });

        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(message, QStringLiteral("ファイル %1 を作成できません").arg(file));
        QCOMPARE(bytesOf(old), oldBytes);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("日記.txt")});
    }

    // A full disk, met at any point of the write, keeps the old diary as it
    // was and leaves nothing behind; a new file that just fits is written.
    void fullDiskKeepsOldFile_data() { FullDisk::addRows(); }
    void fullDiskKeepsOldFile()
    {
        QFETCH(qint64, newSize);
        QFETCH(qint64, freeRoom);
        FullDisk disk;
        if (!disk.unavailable().isEmpty())
            QSKIP(disk.unavailable().constData());
        const QString file = disk.filePath(QStringLiteral("日記.txt"));
        const QByteArray oldBytes = sj("まえの　にっき\r\n");
        QVERIFY(disk.holding(file, oldBytes, freeRoom));
        const QString text(newSize, u'a');

        const QString message = errorOf([&] { filecodec::writeFile(file, text); });

        const bool fits = newSize <= freeRoom;
        QCOMPARE(message, fits ? QStringLiteral("<none>") : QStringLiteral("ファイル %1 を作成できません").arg(file));
        QCOMPARE(bytesOf(file), fits ? text.toLatin1() : oldBytes);
        QCOMPARE(QDir(disk.folder()).entryList(QDir::Files), QStringList{QStringLiteral("日記.txt")});
    }

    void refusedReads_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("missing file") << "ない.txt";
        QTest::newRow("a folder") << ".";
        QTest::newRow("just over the size limit") << "big.txt";
        QTest::newRow("ten megabytes") << "huge.txt";
    }
    void refusedReads()
    {
        QFETCH(QString, target);
        const QString file = m_dir.filePath(target);
        QCOMPARE(errorOf([&] { filecodec::readFile(file); }), QStringLiteral("ファイル %1 は開けません").arg(file));
    }

    void readsUpToSizeLimit()
    {
        put(path("limit.txt"), QByteArray(filecodec::kMaxOpenBytes, 'a'));
        QCOMPARE(filecodec::readFile(path("limit.txt")).size(), filecodec::kMaxOpenBytes);
    }
};

QTEST_GUILESS_MAIN(TestDiaryFiles)
#include "tst_diaryfiles.moc"
