#pragma once
// The kanji forms of sentences the benches write with conversion on: the
// held-out fifth of tests/data/kanji_sentences.tsv, and the row of words as
// the window fills it then.
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "kanji/accuracy.h"
#include "kanji/conversionodds.h"
#include "kanji/mozcengine.h"
#include "kanji/wordforms.h"
#include "prediction/row.h"

namespace kanjibench {

// The engine the benches convert with: Anthy, or Mozc (its helper started
// in a profile folder of the bench's own, and awaited) when
// MOJIPOT_BENCH_ENGINE=mozc; Mozc's server refuses to run as the
// administrator. Null, said on standard error, when it cannot start.
inline std::unique_ptr<kanji::Engine> engine(QString *name)
{
    if (qEnvironmentVariable("MOJIPOT_BENCH_ENGINE") != u"mozc") {
        *name = QStringLiteral("Anthy");
        std::unique_ptr<kanji::Engine> anthy = kanji::makeAnthyEngine();
        if (!anthy)
            std::fprintf(stderr, "Anthy cannot be started\n");
        return anthy;
    }
    *name = QStringLiteral("Mozc");
    static QTemporaryDir profile;
    auto mozc = std::make_unique<kanji::MozcEngine>(profile.path());
    mozc->start();
    if (!mozc->waitUntilReady(30000)) {
        std::fprintf(stderr, "Mozc cannot be started: %s\n", qPrintable(kanji::MozcEngine::unavailableReason()));
        return nullptr;
    }
    return mozc;
}

// Every fifth sentence of the set (from the fifth on), none of which the
// benches' choices were tuned on.
inline QList<kanji::Sentence> heldOut()
{
    const QList<kanji::Sentence> all =
        kanji::readSentences(QStringLiteral(MOJIPOT_SOURCE_DIR "/tests/data/kanji_sentences.tsv"));
    QList<kanji::Sentence> out;
    for (qsizetype i = 4; i < all.size(); i += 5)
        out << all[i];
    return out;
}

// The row as the window fills it with conversion on, the word starting at
// `start`: its kana completions, then, with `forms` ("漢字のよそく"), the
// engine's kanji words of them and of the word as written weighed among them
// (`afterWord`: the word follows a kanji word of the row).
inline prediction::Row kanjiRow(prediction::RowSources sources, kanji::WordForms *forms, kanji::Engine &engine,
                                const QString &text, int start, bool afterWord = false)
{
    using namespace prediction;
    int page = 0;
    const Row row = rowFor(sources, text, start, page);
    if (start >= text.size() || !forms) // without the kanji words: the row as it was
        return row;
    // The word as written, with the engine's own predictions for it, then
    // the kana completions shown.
    if (text.size() - start >= kanji::ConversionOdds::kShortestRun)
        for (const kanji::Form &f : forms->convert(&engine, text.mid(start), afterWord, true))
            (f.predicted ? sources.completions.predicted : sources.completions.engineWords).append({f.reading, f.text});
    for (const RowItem &item : row)
        if (item.kind == RowItem::Completion && !item.completion.converted)
            for (const kanji::Form &f : forms->convert(&engine, item.completion.text, afterWord))
                sources.completions.engineWords.append({f.reading, f.text});
    return sources.completions.engineWords.isEmpty() && sources.completions.predicted.isEmpty() ? row : rowFor(sources, text, start, page);
}

} // namespace kanjibench
