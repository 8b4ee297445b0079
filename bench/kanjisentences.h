#pragma once
// The kanji forms of sentences the benches write with conversion on: the
// held-out fifth of tests/data/kanji_sentences.tsv, and the row of words as
// the window fills it then.
#include "kanji/accuracy.h"
#include "kanji/wordforms.h"
#include "prediction/row.h"

namespace kanjibench {

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
    QStringList readings;
    if (text.size() - start >= 2) // the word as written
        readings << text.mid(start);
    for (const RowItem &item : row)
        if (item.kind == RowItem::Completion && !item.completion.converted)
            readings << item.completion.text;
    for (const QString &reading : readings)
        for (const kanji::Form &f : forms->convert(&engine, reading, afterWord))
            sources.completions.engineWords.append({f.reading, f.text});
    return sources.completions.engineWords.isEmpty() ? row : rowFor(sources, text, start, page);
}

} // namespace kanjibench
