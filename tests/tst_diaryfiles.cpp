// Diary names and the bytes of diary files, on real files in a temporary folder.
#include "app/apperror.h"
#include "app/sjis.h"
#include "diary/diarypaths.h"
#include "diary/filecodec.h"

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
        QCOMPARE(diary::datedFilePath(QStringLiteral("/home/u/dist"), diary::today()),
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
