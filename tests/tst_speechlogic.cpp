// The speech rules that need no engine and no sound: cutting texts into
// pieces, reading Open JTalk's timing file, trimming, the audio cache, the
// voice catalogue and the voice dialog's filter, the warm-up list.
#include "speech/directss.h"
#include "speech/jtalklabels.h"
#include "speech/jtalktrace.h"
#include "speech/pcm.h"
#include "speech/recordingspeech.h"
#include "speech/sentences.h"
#include "speech/speechcache.h"
#include "speech/voicecatalog.h"
#include "speech/voicelist.h"
#include "speech/warmup.h"
#include "fulldisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <sys/stat.h>

namespace {

QByteArray wav(int rate, int channels, const QList<qint16> &frames, quint16 format = 1)
{
    QByteArray data;
    for (qint16 s : frames)
        for (int c = 0; c < channels; ++c)
            data.append(reinterpret_cast<const char *>(&s), 2);
    QByteArray out = "RIFF" + QByteArray(4, 0) + "WAVE";
    const auto u32 = [&out](quint32 v) { out.append(reinterpret_cast<const char *>(&v), 4); };
    const auto u16 = [&out](quint16 v) { out.append(reinterpret_cast<const char *>(&v), 2); };
    out += "LIST";
    u32(4);
    out += "INFO"; // a chunk before "fmt " that must be skipped
    out += "fmt ";
    u32(16);
    u16(format);
    u16(quint16(channels));
    u32(quint32(rate));
    u32(quint32(rate * channels * 2));
    u16(quint16(channels * 2));
    u16(16);
    out += "data";
    u32(quint32(data.size()));
    return out + data;
}

// A timing file as open_jtalk writes it for "あ": 395 ms of pause, the
// vowel to 545 ms, pause to 1070 ms.
const QByteArray kTrace =
    "[Text analysis result]\n"
    "あ,フィラー,*,*,*,*,*,あ,ア,ア,1/1,C3,-1\n\n"
    "[Output label]\n"
    "0 3950000 xx^xx-sil+a=sil/A:xx+xx+xx/B:xx-xx_xx/C:xx_xx+xx/D:xx+xx_xx\n"
    "3950000 5450000 xx^sil-a+sil=xx/A:0+1+1/B:xx-xx_xx/C:09_xx+xx/D:xx+xx_xx\n"
    "5450000 10700000 sil^a-sil+xx=xx/A:xx+xx+xx/B:xx-xx_xx/C:xx_xx+xx\n"
    "\n[Global parameter]\nSampring frequency -> 48000(Hz)\n"
    "0 1 not-a-label+but-after-the-section\n";

// Ways a cache file is damaged, and things that stand where one should be.
enum Damage { CutShort, Noise, OneSample, Length, KindByte, OtherEntry, HeaderOnly, EarlierVersion };
enum NotPlain { LinkToZero, LinkToEntry, Pipe, Folder, Oversized };

constexpr QFile::Permissions kOthers = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                       | QFile::WriteOther | QFile::ExeOther;

// Samples that tell every position apart, as loud as speech.
Samples speechLike(qsizetype n)
{
    Samples s(n);
    for (qsizetype i = 0; i < n; ++i)
        s[i] = qint16((i * 263) % 12000 - 6000);
    return s;
}

QString entryFile(const QString &dir, const QByteArray &key)
{
    return dir + u'/' + QString::fromLatin1(key) + QStringLiteral(".pcm");
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

void setUsed(const QString &path, const QDateTime &when)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

class Modes : public RecordingSpeech
{
public:
    explicit Modes(QList<int> languages) : RecordingSpeech(toModes(languages)) {}
    static QList<Mode> toModes(const QList<int> &languages)
    {
        QList<Mode> m;
        for (int l : languages)
            m.append({l, QStringLiteral("声%1").arg(m.size() + 1)});
        return m;
    }
};

} // namespace

class TestSpeechLogic : public QObject
{
    Q_OBJECT

private slots:
    void splitIntoPieces_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("one short sentence stays whole") << QStringLiteral("もじぽっと帳にようこそ")
                                                        << QStringList{QStringLiteral("もじぽっと帳にようこそ")};
        QTest::newRow("cut after each full stop, question and exclamation")
            << QStringLiteral("はれ。あめ？ゆき！くもり")
            << QStringList{QStringLiteral("はれ。"), QStringLiteral("あめ？"), QStringLiteral("ゆき！"),
                           QStringLiteral("くもり")};
        QTest::newRow("closing bracket and repeated marks stay with the sentence")
            << QStringLiteral("「ほんと？！」とききました。")
            << QStringList{QStringLiteral("「ほんと？！」"), QStringLiteral("とききました。")};
        QTest::newRow("line breaks cut and are dropped, empty lines give nothing")
            << QStringLiteral("ぜんぶ\r\nけす\r\n\r\n") << QStringList{QStringLiteral("ぜんぶ"), QStringLiteral("けす")};
        QTest::newRow("a short sentence keeps its comma")
            << QStringLiteral("きょうは、はれ。") << QStringList{QStringLiteral("きょうは、はれ。")};
        QTest::newRow("a long sentence is cut after its first comma only")
            << QStringLiteral("きょうはあさからとてもいいてんきで、こうえんにいって、あそびました。")
            << QStringList{QStringLiteral("きょうはあさからとてもいいてんきで、"),
                           QStringLiteral("こうえんにいって、あそびました。")};
        QTest::newRow("blanks and marks alone are not spoken")
            << QStringLiteral("\u3000。゛\r\n ") << QStringList{};
        QTest::newRow("empty text") << QString() << QStringList{};
    }
    void splitIntoPieces()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, pieces);
        QCOMPARE(sentences::split(text), pieces);
    }

    void overlongRunIsCutAtItsLastBlankWithoutLosingText()
    {
        const QString word = QStringLiteral("あいうえおかきくけこ");
        QString text;
        for (int i = 0; i < 30; ++i)
            text += word + (i % 4 == 3 ? QStringLiteral("\u3000") : QString());
        // An emoji (a surrogate pair) right at a limit must never be split.
        text += QString(200, u'か') + QString::fromUtf8("😀") + QString(200, u'さ');
        const QStringList pieces = sentences::split(text);
        QCOMPARE(pieces.join(QString()), text);
        for (const QString &p : pieces) {
            QVERIFY2(p.size() <= sentences::kMaxPiece, qPrintable(p));
            QVERIFY(!p.back().isHighSurrogate());
        }
        QVERIFY(pieces.first().endsWith(u'\u3000'));
    }

    void timingFileGivesTheVoicedRange()
    {
        const QList<jtalktrace::Segment> segments = jtalktrace::parse(kTrace);
        QCOMPARE(segments.size(), 3);
        QCOMPARE(segments[0].phoneme, QStringLiteral("sil"));
        QCOMPARE(segments[1].phoneme, QStringLiteral("a"));
        QCOMPARE(segments[1].start, 3950000);
        const auto range = jtalktrace::speechRange(segments, 48000, 51360);
        QVERIFY(range);
        // 395 ms less the 15 ms lead; 545 ms plus the 150 ms tail.
        QCOMPARE(range->begin, 48 * (395 - pcm::kLeadMs));
        QCOMPARE(range->end, 48 * (545 + pcm::kTailMs));
        // The labels alone, as the synthesis engine takes them.
        const QList<QByteArray> labels = jtalktrace::labels(kTrace);
        QCOMPARE(labels.size(), 3);
        QCOMPARE(labels[1], QByteArray("xx^sil-a+sil=xx/A:0+1+1/B:xx-xx_xx/C:09_xx+xx/D:xx+xx_xx"));
        QCOMPARE(jtalktrace::phonemeOf(labels[0]), QStringLiteral("sil"));
        QVERIFY(jtalktrace::labels("[Global parameter]\n").isEmpty());
    }

    // The cut of an utterance made piece by piece is the cut of the whole:
    // from begin, or from the first sound less the lead when the silence
    // before it is longer, to end.
    void speechIsCutAlikeWholeOrInPieces_data()
    {
        QTest::addColumn<qsizetype>("soundAt"); // -1: none
        QTest::addColumn<qsizetype>("begin");
        QTest::addColumn<qsizetype>("end");
        QTest::addColumn<qsizetype>("from"); // first position the maker gives
        QTest::addColumn<qsizetype>("start"); // of what is kept
        // one sample a millisecond: the lead is kLeadMs samples
        const qsizetype lead = pcm::kLeadMs;
        QTest::newRow("long silence before the sound: its lead is kept") << qsizetype(300) << qsizetype(100)
                                                                         << qsizetype(700) << qsizetype(0)
                                                                         << 300 - lead;
        QTest::newRow("sound soon after begin: kept from begin") << qsizetype(105) << qsizetype(100) << qsizetype(700)
                                                                 << qsizetype(0) << qsizetype(100);
        QTest::newRow("sound at begin") << qsizetype(100) << qsizetype(100) << qsizetype(700) << qsizetype(0)
                                        << qsizetype(100);
        QTest::newRow("made from a frame before begin") << qsizetype(300) << qsizetype(100) << qsizetype(700)
                                                        << qsizetype(40) << 300 - lead;
        QTest::newRow("no sound: the last lead before end") << qsizetype(-1) << qsizetype(100) << qsizetype(700)
                                                            << qsizetype(0) << 700 - lead;
        QTest::newRow("sound past end: silence only") << qsizetype(800) << qsizetype(100) << qsizetype(700)
                                                      << qsizetype(0) << 700 - lead;
    }
    void speechIsCutAlikeWholeOrInPieces()
    {
        QFETCH(qsizetype, soundAt);
        QFETCH(qsizetype, begin);
        QFETCH(qsizetype, end);
        QFETCH(qsizetype, from);
        QFETCH(qsizetype, start);
        Samples utterance(1000);
        for (qsizetype i = 0; i < utterance.size(); ++i)
            utterance[i] = qint16(i % 200); // quiet, and every position told apart
        if (soundAt >= 0)
            for (qsizetype i = soundAt; i < soundAt + 50; ++i)
                utterance[i] = 5000;
        const Samples expected = utterance.mid(start, end - start);
        for (const qsizetype piece : {qsizetype(1000), qsizetype(7), qsizetype(1)}) {
            pcm::LeadCut cut(begin, end, 1000);
            Samples out;
            for (qsizetype at = from; at < utterance.size(); at += piece)
                out += cut.take(at, utterance.mid(at, piece));
            out += cut.finish();
            QCOMPARE(out, expected);
        }
    }

    void timingFileEdgeCases_data()
    {
        QTest::addColumn<QByteArray>("trace");
        QTest::addColumn<qsizetype>("total");
        QTest::addColumn<qsizetype>("begin");
        QTest::addColumn<qsizetype>("end");
        QTest::newRow("no label section") << QByteArray("[Global parameter]\n") << qsizetype(1000) << qsizetype(-1)
                                          << qsizetype(-1);
        QTest::newRow("pauses only") << QByteArray("[Output label]\n0 100 x^x-sil+x\n100 200 x^x-pau+x\n")
                                     << qsizetype(1000) << qsizetype(-1) << qsizetype(-1);
        QTest::newRow("voice from the first sample, tail beyond the audio")
            << QByteArray("[Output label]\n0 5000000 x^x-k+a\n5000000 6000000 x^k-a+x\n") << qsizetype(24000)
            << qsizetype(0) << qsizetype(24000);
    }
    void timingFileEdgeCases()
    {
        QFETCH(QByteArray, trace);
        QFETCH(qsizetype, total);
        QFETCH(qsizetype, begin);
        QFETCH(qsizetype, end);
        const auto range = jtalktrace::speechRange(jtalktrace::parse(trace), 48000, total);
        QCOMPARE(range.has_value(), begin >= 0);
        if (range) {
            QCOMPARE(range->begin, begin);
            QCOMPARE(range->end, end);
        }
    }

    void wavFilesAreReadOrRefused()
    {
        const QList<qint16> frames{0, 1000, -1000, 32767};
        const auto mono = pcm::fromWav(wav(22050, 1, frames));
        QVERIFY(mono);
        QCOMPARE(mono->rate, 22050);
        QCOMPARE(mono->samples, frames);
        const auto stereo = pcm::fromWav(wav(48000, 2, frames));
        QVERIFY(stereo);
        QCOMPARE(stereo->samples, frames);
        QVERIFY(!pcm::fromWav(QByteArray("RIFF\0\0\0\0WAVE", 12)));
        QVERIFY(!pcm::fromWav(QByteArray("not a wave file at all")));
        QVERIFY(!pcm::fromWav(wav(48000, 1, frames, 3))); // floating point
    }

    void trimmingBySoundLevel()
    {
        const int rate = 1000; // one sample a millisecond
        Samples s(1000, 0);
        for (int i = 300; i < 400; ++i)
            s[i] = 5000;
        const Samples t = pcm::trimSilence(s, rate, pcm::kLeadMs, pcm::kTailMs);
        QCOMPARE(t.size(), pcm::kLeadMs + 100 + pcm::kTailMs);
        QCOMPARE(pcm::firstSound(t), pcm::kLeadMs);
        QCOMPARE(t.first(), 0); // faded in from silence
        QVERIFY(pcm::trimSilence(Samples(500, 100), rate, 15, 150).isEmpty());
    }

    void toneIsAudibleAndSoftEdged()
    {
        const Samples t = pcm::tone(48000);
        QVERIFY(pcm::hasSound(t));
        QCOMPARE(t.first(), 0);
        QVERIFY(std::abs(t.last()) < 100);
        Samples loud(4, 30000);
        pcm::mixInto(loud.data(), 4, Samples(4, 10000).constData());
        QCOMPARE(loud, Samples(4, 32767)); // saturates instead of wrapping
    }

    void cacheKeysTellVoiceSpeedRateAndTextApart()
    {
        const QByteArray base = SpeechCache::key(QStringLiteral("v"), 100, 48000, QStringLiteral("あ"));
        QCOMPARE(SpeechCache::key(QStringLiteral("v"), 100, 48000, QStringLiteral("あ")), base);
        QVERIFY(SpeechCache::key(QStringLiteral("w"), 100, 48000, QStringLiteral("あ")) != base);
        QVERIFY(SpeechCache::key(QStringLiteral("v"), 150, 48000, QStringLiteral("あ")) != base);
        QVERIFY(SpeechCache::key(QStringLiteral("v"), 100, 44100, QStringLiteral("あ")) != base);
        QVERIFY(SpeechCache::key(QStringLiteral("v"), 100, 48000, QStringLiteral("い")) != base);
    }

    void memoryCacheDropsTheLeastRecentlyUsed()
    {
        SpeechCache cache(QString(), 3 * 200); // room for three pieces of 100 samples
        for (int i = 0; i < 3; ++i)
            cache.insert(QByteArray::number(i), Samples(100, qint16(i)));
        QVERIFY(cache.find("0")); // 0 is now the most recent
        cache.insert("3", Samples(100, 3));
        QVERIFY(!cache.find("1"));
        QCOMPARE(cache.find("0")->first(), 0);
        QCOMPARE(cache.find("3")->first(), 3);
        QVERIFY(cache.memoryBytes() <= 600);
        cache.insert("big", Samples(1000, 1)); // larger than the bound: not kept
        QVERIFY(!cache.find("big"));
        QVERIFY(cache.find("3"));
    }

    void diskCacheServesANewSessionAndIsPruned()
    {
        QTemporaryDir dir;
        const Samples audio{1, -2, 3, 32767, -32768};
        {
            SpeechCache first(dir.path());
            first.insert("abc", audio);
        }
        SpeechCache second(dir.path());
        QVERIFY(second.contains("abc"));
        QCOMPARE(second.find("abc").value(), audio);
        // A damaged file is no audio.
        QFile damaged(dir.filePath(QStringLiteral("bad.pcm")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("garbage");
        damaged.close();
        QVERIFY(!second.find("bad"));
        for (int i = 0; i < 5; ++i)
            second.insert(QByteArray::number(i), Samples(1000, 1));
        second.pruneDisk(4000);
        second.waitForDisk(); // the cut-back is done on the cache's disk thread
        qint64 total = 0;
        for (const QFileInfo &f : QDir(dir.path()).entryInfoList({QStringLiteral("*.pcm")}, QDir::Files))
            total += f.size();
        QVERIFY(total <= 4000);
    }

    // On a full disk an entry is not kept at all, so a later start never
    // plays audio cut short; one that fits is kept.
    void diskCacheKeepsNoCutEntry()
    {
        FullDisk disk;
        if (!disk.unavailable().isEmpty())
            QSKIP(disk.unavailable().constData());
        QVERIFY(disk.leaveRoom(FullDisk::kPage));
        SpeechCache first(disk.folder());
        first.insert("long", Samples(3 * FullDisk::kPage, 7));
        first.insert("short", Samples(100, 7));
        first.waitForDisk(); // the files are written on a thread of their own
        SpeechCache second(disk.folder());
        QVERIFY(!second.find("long"));
        QCOMPARE(second.find("short").value(), Samples(100, 7));
        QCOMPARE(QDir(disk.folder()).entryList(QDir::Files), QStringList{QStringLiteral("short.pcm")});
    }

    // A file that does not match its header (cut short, samples changed,
    // another entry's file, a file of an earlier version) is never played:
    // it is removed and the entry made again.
    void damagedCacheFilesAreRemovedAndMadeAgain_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<bool>("byFind"); // found by find(), else by contains() (the warm-up's look)
        QTest::newRow("cut short to half its length") << int(CutShort) << true;
        QTest::newRow("samples overwritten with full-scale noise") << int(Noise) << true;
        QTest::newRow("samples overwritten, as the warm-up looks") << int(Noise) << false;
        QTest::newRow("one sample changed") << int(OneSample) << false;
        QTest::newRow("length in the header changed") << int(Length) << true;
        QTest::newRow("kind byte unknown") << int(KindByte) << false;
        QTest::newRow("another entry's file under its name") << int(OtherEntry) << true;
        QTest::newRow("header alone") << int(HeaderOnly) << false;
        QTest::newRow("file of an earlier version (mark, then samples)") << int(EarlierVersion) << true;
    }
    void damagedCacheFilesAreRemovedAndMadeAgain()
    {
        QFETCH(int, damage);
        QFETCH(bool, byFind);
        QTemporaryDir dir;
        const Samples audio = speechLike(4000);
        {
            SpeechCache first(dir.path());
            first.insert("k", audio, SpeechCache::Kind::Fixed);
            first.insert("other", speechLike(3000), SpeechCache::Kind::Fixed);
        }
        const QString file = entryFile(dir.path(), "k");
        QByteArray bytes = bytesOf(file);
        switch (damage) {
        case CutShort: bytes.truncate(bytes.size() / 2); break;
        case Noise:
            for (qsizetype i = SpeechCache::kHeaderBytes; i < bytes.size(); ++i)
                bytes[i] = char(i * 7919 % 251);
            break;
        case OneSample: bytes[bytes.size() - 2] = char(bytes[bytes.size() - 2] ^ 1); break;
        case Length: bytes[12] = char(bytes[12] + 1); break;
        case KindByte: bytes[SpeechCache::kKindAt] = 5; break;
        case OtherEntry: bytes = bytesOf(entryFile(dir.path(), "other")); break;
        case HeaderOnly: bytes.truncate(SpeechCache::kHeaderBytes); break;
        case EarlierVersion:
            bytes = QByteArray("MJPCM1\0\0", 8)
                    + QByteArray(reinterpret_cast<const char *>(audio.constData()), audio.size() * 2);
            break;
        }
        writeBytes(file, bytes);
        SpeechCache second(dir.path());
        QVERIFY(byFind ? !second.find("k") : !second.contains("k"));
        QVERIFY(!second.contains("k"));
        QVERIFY(!second.find("k"));
        second.waitForDisk();
        QVERIFY(!QFileInfo::exists(file));
        second.insert("k", audio, SpeechCache::Kind::Fixed); // made again
        second.waitForDisk();
        SpeechCache third(dir.path());
        QCOMPARE(third.find("k").value(), audio);
        QCOMPARE(third.find("other").value(), speechLike(3000));
    }

    // Only a plain file of bounded size is read: a link (to /dev/zero, or to
    // a sound entry elsewhere), a named pipe, a folder or an oversized file
    // is absent, found at once. Making the entry again puts a plain file in
    // its place where it can, and what a link named stays as it was.
    void cacheFilesThatAreNotPlainFilesAreAbsent_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("link to /dev/zero") << int(LinkToZero) << true;
        QTest::newRow("link to a sound entry elsewhere") << int(LinkToEntry) << true;
        QTest::newRow("named pipe with no writer") << int(Pipe) << true;
        QTest::newRow("folder") << int(Folder) << false;
        QTest::newRow("sparse file of ours beyond the bound") << int(Oversized) << true;
    }
    void cacheFilesThatAreNotPlainFilesAreAbsent()
    {
        QFETCH(int, kind);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        QTemporaryDir elsewhere;
        const Samples audio = speechLike(1000);
        {
            SpeechCache other(elsewhere.path());
            other.insert("k", audio);
        }
        const QString file = entryFile(dir.path(), "k");
        const QString target = entryFile(elsewhere.path(), "k");
        const QByteArray targetBytes = bytesOf(target);
        switch (kind) {
        case LinkToZero: QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file)); break;
        case LinkToEntry: QVERIFY(QFile::link(target, file)); break;
        case Pipe: QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0); break;
        case Folder: QVERIFY(QDir().mkdir(file)); break;
        case Oversized: {
            QVERIFY(QFile::copy(target, file));
            QFile f(file);
            QVERIFY(f.resize(SpeechCache::kMaxFileBytes + 1));
            break;
        }
        }
        SpeechCache cache(dir.path());
        QVERIFY(!cache.contains("k"));
        QVERIFY(!cache.find("k"));
        QVERIFY(!cache.find("k")); // still absent, and still answered at once
        cache.insert("k", audio);
        cache.waitForDisk();
        const QFileInfo now(file);
        QCOMPARE(!now.isSymLink() && now.isFile(), replaced);
        QCOMPARE(bytesOf(target), targetBytes);
        SpeechCache next(dir.path());
        QCOMPARE(next.find("k").has_value(), replaced);
    }

    // The folder and the files are the user's alone: folders made so, and
    // a folder or files left open to others by an earlier version mended.
    void cacheIsOwnerOnly()
    {
        QTemporaryDir base;
        const QString nested = base.filePath(QStringLiteral("mojipot/speech"));
        {
            SpeechCache fresh(nested);
            fresh.insert("k", speechLike(100));
        }
        for (const QString &folder : {base.filePath(QStringLiteral("mojipot")), nested})
            QCOMPARE(QFile::permissions(folder) & kOthers, QFile::Permissions());
        QCOMPARE(QFile::permissions(entryFile(nested, "k")) & kOthers, QFile::Permissions());

        QVERIFY(QFile::setPermissions(nested, QFile::Permissions(0x7755))); // 0755
        QVERIFY(QFile::setPermissions(entryFile(nested, "k"), QFile::Permissions(0x6644))); // 0644
        SpeechCache mended(nested);
        QCOMPARE(QFile::permissions(nested) & kOthers, QFile::Permissions()); // at once
        mended.pruneDisk(1LL << 30);
        mended.waitForDisk();
        QCOMPARE(QFile::permissions(entryFile(nested, "k")) & kOthers, QFile::Permissions());
        QCOMPARE(mended.find("k").value(), speechLike(100));
    }

    // A cache folder that is a link is not used: nothing is written through
    // it, and the cut-back and forgetting never reach what it points to.
    void cacheFolderThatIsALinkIsNotUsed()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("target"));
        const QString link = dir.filePath(QStringLiteral("speech"));
        QVERIFY(QDir().mkdir(target));
        writeBytes(entryFile(target, "old"), QByteArray("MJPCM1\0\0", 8) + QByteArray(4000, 'x'));
        writeBytes(target + QStringLiteral("/notes.pcm"), QByteArray(5000, 'n'));
        QVERIFY(QFile::link(target, link));
        const QStringList before = QDir(target).entryList(QDir::Files);
        SpeechCache cache(link);
        QVERIFY(cache.diskDir().isEmpty());
        cache.insert("k", speechLike(100), SpeechCache::Kind::Fixed);
        cache.forgetOwn();
        cache.pruneDisk(0);
        cache.waitForDisk();
        QCOMPARE(QDir(target).entryList(QDir::Files), before);
        QVERIFY(cache.find("k")); // kept in memory
    }

    // The cut-back deletes only the program's own files (its header says
    // so), the least recently used first (an entry found counts as used),
    // and temporary files a program left behind once they are old; never a
    // link nor what it points to.
    void cutBackDeletesOnlyTheProgramsFilesLeastRecentlyUsedFirst()
    {
        QTemporaryDir dir;
        QTemporaryDir elsewhere;
        {
            SpeechCache other(elsewhere.path());
            other.insert("linked", speechLike(2000));
        }
        const QString linkedTarget = entryFile(elsewhere.path(), "linked");
        const QByteArray linkedBytes = bytesOf(linkedTarget);
        {
            SpeechCache cache(dir.path());
            for (int i = 0; i < 5; ++i)
                cache.insert("e" + QByteArray::number(i), speechLike(1000));
        }
        const qint64 entryBytes = QFileInfo(entryFile(dir.path(), "e0")).size();
        const QString earlier = entryFile(dir.path(), "earlier");
        writeBytes(earlier, QByteArray("MJPCM1\0\0", 8) + QByteArray(200, 'x'));
        writeBytes(dir.filePath(QStringLiteral("notes.pcm")), QByteArray(3000, 'n'));
        QVERIFY(QFile::link(linkedTarget, entryFile(dir.path(), "link")));
        const QString staleTemp = entryFile(dir.path(), "e9") + QStringLiteral(".1a2b3c4d.tmp");
        const QString freshTemp = entryFile(dir.path(), "e8") + QStringLiteral(".5e6f7a8b.tmp");
        writeBytes(staleTemp, bytesOf(entryFile(dir.path(), "e1")));
        writeBytes(freshTemp, bytesOf(entryFile(dir.path(), "e1")));
        // Last used: the earlier version's file first, then e0 … e4, 100 s apart.
        const QDateTime start = QDateTime::currentDateTime().addSecs(-3600);
        setUsed(earlier, start);
        setUsed(staleTemp, start);
        for (int i = 0; i < 5; ++i)
            setUsed(entryFile(dir.path(), "e" + QByteArray::number(i)), start.addSecs(100 * (i + 1)));

        SpeechCache cache(dir.path());
        QVERIFY(cache.contains("e0")); // used now: the newest
        cache.pruneDisk(3 * entryBytes);
        cache.waitForDisk();
        QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::System);
        left.sort();
        QStringList expected{QFileInfo(entryFile(dir.path(), "e0")).fileName(),
                             QFileInfo(entryFile(dir.path(), "e3")).fileName(),
                             QFileInfo(entryFile(dir.path(), "e4")).fileName(),
                             QFileInfo(entryFile(dir.path(), "link")).fileName(),
                             QFileInfo(freshTemp).fileName(), QStringLiteral("notes.pcm")};
        expected.sort();
        QCOMPARE(left, expected);
        QCOMPARE(bytesOf(linkedTarget), linkedBytes);
    }

    // Forgetting the user's own entries takes them from memory and from the
    // folder (with the files of earlier versions, whose kind is unknown);
    // what the program itself says stays, and nothing that is not ours goes.
    void forgettingTakesTheUsersOwnEntries_data()
    {
        QTest::addColumn<bool>("onDisk");
        QTest::newRow("memory and folder") << true;
        QTest::newRow("memory only") << false;
    }
    void forgettingTakesTheUsersOwnEntries()
    {
        QFETCH(bool, onDisk);
        QTemporaryDir dir;
        const QString folder = onDisk ? dir.path() : QString();
        const QString earlier = entryFile(dir.path(), "earlier");
        const QString foreign = dir.filePath(QStringLiteral("notes.pcm"));
        if (onDisk) {
            writeBytes(earlier, QByteArray("MJPCM1\0\0", 8) + QByteArray(200, 'x'));
            writeBytes(foreign, QByteArray(300, 'n'));
        }
        SpeechCache cache(folder);
        cache.insert("greeting", speechLike(500), SpeechCache::Kind::Fixed);
        cache.insert("diary", speechLike(600), SpeechCache::Kind::Own);
        cache.insert("candidate", speechLike(700)); // anything not said to be fixed is the user's
        cache.forgetOwn();
        QVERIFY(!cache.find("diary"));
        QVERIFY(!cache.find("candidate"));
        QCOMPARE(cache.find("greeting").value(), speechLike(500));
        cache.waitForDisk();
        if (!onDisk)
            return;
        QVERIFY(!QFileInfo::exists(entryFile(dir.path(), "diary")));
        QVERIFY(!QFileInfo::exists(entryFile(dir.path(), "candidate")));
        QVERIFY(!QFileInfo::exists(earlier));
        QCOMPARE(bytesOf(foreign), QByteArray(300, 'n'));
        SpeechCache next(folder);
        QCOMPARE(next.find("greeting").value(), speechLike(500));
    }

    void voiceFilesAreFoundSortedByFileName()
    {
        QTemporaryDir a;
        QTemporaryDir b;
        QDir(a.path()).mkpath(QStringLiteral("deep/er"));
        for (const QString &f : {a.filePath(QStringLiteral("deep/er/b_voice.htsvoice")),
                                 b.filePath(QStringLiteral("a_voice.htsvoice")),
                                 b.filePath(QStringLiteral("c_voice.htsvoice")), b.filePath(QStringLiteral("notes.txt"))}) {
            QFile file(f);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QStringList files = voicecatalog::findVoiceFiles({a.path(), b.path(), QStringLiteral("/nonexistent")});
        QStringList names;
        for (const QString &f : files)
            names << QFileInfo(f).fileName();
        QCOMPARE(names, (QStringList{QStringLiteral("a_voice.htsvoice"), QStringLiteral("b_voice.htsvoice"),
                                     QStringLiteral("c_voice.htsvoice")}));

        voicecatalog::OpenJTalkInstall install{QStringLiteral("/usr/bin/open_jtalk"), QStringLiteral("/dic"),
                                               {a.path(), b.path()}};
        const QList<voicecatalog::Voice> voices = voicecatalog::openJTalkVoices(install);
        QCOMPARE(voices.size(), 6);
        QCOMPARE(voices[0].voiceFile, files[0]);
        QVERIFY(!voices[0].raised && voices[1].raised);
        QVERIFY(voices[0].id != voices[1].id);
        QVERIFY(voices[0].name.contains(QStringLiteral("a_voice")));
        for (const auto &v : voices)
            QCOMPARE(v.language, 1041);
        // Without the program or the dictionary there is no Open JTalk voice.
        QVERIFY(voicecatalog::openJTalkVoices({QString(), QStringLiteral("/dic"), {b.path()}}).isEmpty());
        QVERIFY(voicecatalog::openJTalkVoices({QStringLiteral("/x"), QString(), {b.path()}}).isEmpty());
    }

    void openJTalkCommandLines()
    {
        voicecatalog::OpenJTalkInstall install{QStringLiteral("/usr/bin/open_jtalk"), QStringLiteral("/dic"), {}};
        voicecatalog::Voice natural;
        natural.voiceFile = QStringLiteral("/v/m.htsvoice");
        voicecatalog::Voice raised = natural;
        raised.raised = true;
        const QStringList plain = voicecatalog::openJTalkArguments(install, natural, 100, QStringLiteral("/t"));
        QCOMPARE(plain, (QStringList{"-x", "/dic", "-m", "/v/m.htsvoice", "-ow", "/dev/stdout", "-ot", "/t"}));
        const QStringList high = voicecatalog::openJTalkArguments(install, raised, 150, QStringLiteral("/t"));
        QVERIFY(high.join(u' ').contains(QStringLiteral("-r 1.50 -fm 6 -a 0.50")));
        // The engine inside the program is told the same.
        const voicecatalog::Synthesis s = voicecatalog::synthesisFor(raised, 150);
        QCOMPARE(s.speed, 1.5);
        QCOMPARE(s.halfTones, 6.0);
        QCOMPARE(s.alpha, 0.5);
        QCOMPARE(voicecatalog::synthesisFor(natural, 100).alpha, -1.0); // the voice file's own
        // Text analysis only: synthesis at 1000 samples a second, one a frame.
        const QStringList labels = JTalkLabels::arguments(install, natural.voiceFile);
        QVERIFY(labels.join(u' ').contains(QStringLiteral("-ow /dev/null -ot /dev/stdout -s 1000 -p 1")));
        QCOMPARE(voicecatalog::openJTalkInput(QStringLiteral("きょう\r\nあした\nあさって")),
                 QStringLiteral("きょう、あした、あさって\n").toUtf8());
    }

    void voiceDialogListsJapaneseModesOnly_data()
    {
        QTest::addColumn<QList<int>>("languages");
        QTest::addColumn<QList<int>>("listed");
        QTest::newRow("English mode 1, Japanese modes 2 and 3") << QList<int>{1033, 1041, 1041} << QList<int>{2, 3};
        QTest::newRow("2065 listed, 3089 not") << QList<int>{2065, 3089, 17} << QList<int>{1, 3};
        QTest::newRow("no mode at all") << QList<int>{} << QList<int>{};
        QTest::newRow("no Japanese mode") << QList<int>{1033, 2057} << QList<int>{};
    }
    void voiceDialogListsJapaneseModesOnly()
    {
        QFETCH(QList<int>, languages);
        QFETCH(QList<int>, listed);
        Modes engine(languages);
        const QList<voicelist::Line> lines = voicelist::japaneseLines(engine);
        QList<int> modes;
        for (const auto &l : lines) {
            modes << l.mode;
            QCOMPARE(l.text, QStringLiteral("%1) 声%1").arg(l.mode));
        }
        QCOMPARE(modes, listed);
        if (!lines.isEmpty())
            QCOMPARE(voicelist::lineOf(lines, listed.last()), lines.size() - 1);
        QCOMPARE(voicelist::lineOf(lines, 99), -1);
    }

    void warmUpStartsWithGreetingAndFocusedKey()
    {
        const QList<warmup::Item> items = warmup::items(1, 2, 0);
        QCOMPARE(items[0], (warmup::Item{1, QStringLiteral("もじぽっと帳にようこそ")}));
        QCOMPARE(items[1], (warmup::Item{1, QStringLiteral("よむ")}));
        const auto has = [&](int mode, const QString &text) { return items.contains(warmup::Item{mode, text}); };
        QVERIFY(has(1, QStringLiteral("ハ")));
        QVERIFY(has(1, QStringLiteral("おわりのを")));
        QVERIFY(has(1, QStringLiteral("なし")));
        QVERIFY(has(1, QStringLiteral("ぜんぶ\nけす")));
        QVERIFY(has(2, QStringLiteral("を")));
        QVERIFY(has(2, QStringLiteral("まる")));
        QVERIFY(has(2, QStringLiteral("ぽ")));
        QVERIFY(!has(2, QStringLiteral("゛")));
        // The scan's names: long ones in the selection voice, short ones in the decision voice, after
        // every key's name and before the kana a press says; the row's places at a sentence start
        // right after them, as said when reached (the selection voice) and in no other voice.
        const QList<warmup::Item> scan = warmup::items(1, 2, 0, {QStringLiteral("けすのれつ")}, {QStringLiteral("けす")},
                                                       {QStringLiteral("はい。"), QStringLiteral("つぎ")});
        const qsizetype names = scan.indexOf(warmup::Item{1, QStringLiteral("けすのれつ")});
        QCOMPARE(scan.mid(names, 4), (QList<warmup::Item>{{1, QStringLiteral("けすのれつ")}, {2, QStringLiteral("けす")},
                                                          {1, QStringLiteral("はい。")}, {1, QStringLiteral("つぎ")}}));
        QVERIFY(scan.indexOf(warmup::Item{1, QStringLiteral("おわりのを")}) < names);
        QVERIFY(names < scan.indexOf(warmup::Item{2, QStringLiteral("を")}));
        QVERIFY(!scan.contains(warmup::Item{2, QStringLiteral("はい。")}));
        QCOMPARE(scan.size(), items.size() + 4);
        // One item per voice and text: with one voice for both, no repeats.
        const QList<warmup::Item> single = warmup::items(1, 1, 26);
        QCOMPARE(single[1].text, QStringLiteral("ハ"));
        for (qsizetype i = 0; i < single.size(); ++i)
            QCOMPARE(single.indexOf(single[i]), i);
    }
};

QTEST_GUILESS_MAIN(TestSpeechLogic)
#include "tst_speechlogic.moc"
