#pragma once
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "kanji/engine.h"

// The kanji forms the row of words offers for the kana completions of the
// word being written: what conversion would show for the whole completed
// reading. The engine may be slow, stuck or wrong, so a form is kept once
// worked out, and an answer that is no plain word of phrase length is no
// form at all.
namespace kanji {

using Forms = QList<Form>;

// What the engine's phrases for `reading` offer: the whole reading converted (each phrase's
// first candidate), its first phrase alone, and that phrase without the kana
// it ends in (病院 of 病院に, read びょういん), without repeats. Nothing when
// the phrases do not cover the reading exactly; a form is left out when it
// holds no kanji or is not a text History::acceptable() would keep (longer
// than a phrase, control or formatting characters, a line break).
// `afterWord`: the reading follows a kanji word of the row, and its first
// phrase stays kana as conversion would show it there (leadWithPlain).
Forms formsOf(QList<Phrase> phrases, const QString &reading, bool afterWord = false);

// Whether a text holds a kanji (or another character the board cannot
// write), so that converting it was worth a place of the row.
bool holdsKanji(QStringView text);

class WordForms
{
public:
    // Readings kept at most; the oldest go first.
    static constexpr int kMaxKept = 2048;

    // The forms worked out before (perhaps none), nullopt when the reading
    // has not been converted yet.
    // `asWritten`: the reading is the word as written so far, and the
    // engine's own predictions for it come after its conversion's forms.
    std::optional<Forms> find(const QString &reading, bool afterWord = false, bool asWritten = false) const;
    // Converts `reading` with `engine` (when there is one) and keeps what
    // it comes to, no form too. The engine's own order alone: the user's
    // choices reach the row through their own history.
    Forms convert(Engine *engine, const QString &reading, bool afterWord = false, bool asWritten = false);
    // The engine's predictions taken for a word as written, at most.
    static constexpr int kMaxPredicted = 6;
    // Forgets every form (the engine changed).
    void clear();
    int size() const { return int(m_forms.size()); }

private:
    QHash<QString, Forms> m_forms;
    QStringList m_order; // readings, the oldest first
};

} // namespace kanji
