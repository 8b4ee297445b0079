#pragma once
// The two ways Open JTalk speaks, compared sample for sample: an open_jtalk
// process for every piece, and the HTS engine library inside the program
// (labels from a waiting open_jtalk). Both engines are driven directly, at
// the voice's own rate, so that nothing but the synthesis and the cut can
// differ. Used by the engines' suite and by the speech bench.
#include "base/keytable.h"
#include "speech/announcements.h"
#include "speech/htsengine.h"
#include "speech/openjtalkengine.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace speechcompare {

// What the 66 keys say when they are reached.
inline QStringList keyNames()
{
    QStringList names;
    for (const KeySpec &k : keys::table())
        if (const QString t = announcements::forKey(k.tag, k.caption, false); !t.isEmpty())
            names << t;
    return names;
}

// Words, sentences and marks of every kind the program speaks.
inline QStringList otherTexts()
{
    return {QStringLiteral("ありがとうございました"), QStringLiteral("もじぽっと帳にようこそ"), QStringLiteral("きょうはいいてんき"),
            QStringLiteral("今日はいい天気"), QStringLiteral("かぎょう"), QStringLiteral("ちいさいもじ"),
            QStringLiteral("くうはくのれつ"), QStringLiteral("けすのれつ"), QStringLiteral("なにもかかれていません"),
            QStringLiteral("かいぎょうしました"), QStringLiteral("さくら"), QStringLiteral("つくえ"), QStringLiteral("あー"),
            QStringLiteral("がっこう"), QStringLiteral("しんぶん"), QStringLiteral("きって"), QStringLiteral("ぴあの"),
            QStringLiteral("ジュース"), QStringLiteral("コンピューター"), QStringLiteral("東京都"), QStringLiteral("日本語"),
            QStringLiteral("漢字に変換します"), QStringLiteral("あした、こうえんにいきます。"),
            QStringLiteral("どこへいくの？"), QStringLiteral("すごい！"), QStringLiteral("「はい」とこたえました。"),
            QStringLiteral("いぬとねこ"), QStringLiteral("おかあさん、おとうさん"), QStringLiteral("３じにあいましょう"),
            QStringLiteral("2024年"), QStringLiteral("ＡＢＣ"), QStringLiteral("メールをおくりました"),
            QStringLiteral("いんさつします"), QStringLiteral("ぜんぶけす"), QStringLiteral("おわりのを"),
            QStringLiteral("きょうは、あさからとてもよいてんきでした。"),
            QStringLiteral("ともだちといっしょにこうえんへいきました。"),
            QStringLiteral("いけのまわりをあるいて、かもにぱんをあげました。"),
            QStringLiteral("かえりにおかしをかって、うちでたべました。"), QStringLiteral("ゆっくり"),
            QStringLiteral("ぱぴぷぺぽ"), QStringLiteral("きゃきゅきょ"), QStringLiteral("っ"), QStringLiteral("ん"),
            QStringLiteral("を"), QStringLiteral("ゔ"), QStringLiteral("さようなら"), QStringLiteral("おやすみなさい"),
            QStringLiteral("たのしかった"), QStringLiteral("またあした")};
}

// One piece made by an engine, waiting for it; the pieces an engine hands
// out on the way are checked to begin what it finally gives.
struct Made
{
    Samples samples;
    bool partsBeginIt = true;
    int parts = 0;
};

inline Made make(SynthEngine &engine, quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text)
{
    Made made;
    Samples parts;
    bool done = false;
    QEventLoop loop;
    QObject::connect(&engine, &SynthEngine::partial, &loop, [&](quint64 j, const Samples &s) {
        if (j == job) {
            parts += s;
            ++made.parts;
        }
    });
    QObject::connect(&engine, &SynthEngine::finished, &loop, [&](quint64 j, const Samples &s) {
        if (j == job) {
            made.samples = s;
            made.partsBeginIt = s.first(std::min(s.size(), parts.size())) == parts && parts.size() <= s.size();
            done = true;
            loop.quit();
        }
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    engine.start(job, voice, speed, text);
    if (!done)
        loop.exec();
    return made;
}

struct Difference
{
    int texts = 0;
    int identical = 0;
    int largest = 0;           // the largest difference of one sample
    qsizetype lengths = 0;     // texts whose lengths differ
    qsizetype empty = 0;       // texts neither way made anything for
    bool partsBeginPieces = true;
    QStringList differing;
};

inline Difference compare(const QStringList &texts, const voicecatalog::Voice &voice, int speed, int rate)
{
    const voicecatalog::OpenJTalkInstall install = voicecatalog::findOpenJTalk(QCoreApplication::applicationDirPath());
    OpenJTalkEngine processes(install, rate);
    HtsEngine inProgram(install, rate);
    inProgram.prepare(voice, speed);
    Difference d;
    quint64 job = 0;
    for (const QString &text : texts) {
        const Made a = make(processes, ++job, voice, speed, text);
        const Made b = make(inProgram, ++job, voice, speed, text);
        ++d.texts;
        d.partsBeginPieces = d.partsBeginPieces && b.partsBeginIt;
        if (a.samples.isEmpty() && b.samples.isEmpty())
            ++d.empty;
        if (a.samples.size() != b.samples.size())
            ++d.lengths;
        int largest = 0;
        for (qsizetype i = 0; i < std::min(a.samples.size(), b.samples.size()); ++i)
            largest = std::max(largest, std::abs(int(a.samples[i]) - int(b.samples[i])));
        d.largest = std::max(d.largest, largest);
        if (a.samples == b.samples)
            ++d.identical;
        else
            d.differing << text;
    }
    return d;
}

} // namespace speechcompare
