// Fuzzes the reading of what Mozc's helper writes: any bytes as one answer
// line. Reading never fails or runs away on any line; a line beyond the
// bounds is no answer; from an answer, the phrases, candidates and
// suggestions taken are plain, bounded by the line, and without repeats.
#include "kanji/mozcprotocol.h"

#include "property.h"

#include <QSet>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QString line = QString::fromUtf8(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const auto answer = kanji::mozc::parse(line);
    if (!answer)
        return 0;
    if (line.size() > kanji::mozc::kMaxLineLength)
        fuzz::fail("a line beyond the length bound was read as an answer");
    (void)kanji::mozc::eventOf(*answer);
    qsizetype readings = 0;
    for (const kanji::Phrase &p : kanji::mozc::phrasesOf(*answer)) {
        if (p.reading.isEmpty() || p.candidates.size() != 1 || p.candidates.front().isEmpty())
            fuzz::fail("a phrase without its reading or its shown text");
        readings += p.reading.size();
    }
    if (readings > line.size())
        fuzz::fail("phrases longer than the line they came from");
    const QStringList candidates = kanji::mozc::candidatesOf(*answer, QStringLiteral("候補"));
    if (candidates.value(0) != QStringLiteral("候補") || QSet<QString>(candidates.begin(), candidates.end()).size() != candidates.size())
        fuzz::fail("candidates without the shown one first, or with repeats");
    const QList<kanji::Form> suggested = kanji::mozc::suggestionsOf(*answer, QStringLiteral("よみ"));
    for (qsizetype i = 0; i < suggested.size(); ++i) {
        if (suggested[i].reading.isEmpty() || suggested[i].text.isEmpty())
            fuzz::fail("a suggestion without its reading or its text");
        for (qsizetype j = 0; j < i; ++j)
            if (suggested[j] == suggested[i])
                fuzz::fail("a suggestion repeated");
    }
    return 0;
}
