#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// Kana–kanji conversion behind a small interface, so that the engine can be
// replaced without touching the rules of conversion or the window.
namespace kanji {

// One phrase (文節) of a conversion: the hiragana it was made from and the
// engine's candidates for it, best first.
struct Phrase
{
    QString reading;
    QStringList candidates;
    bool operator==(const Phrase &) const = default;
};

// A word the row may offer: the text and the kana it is written from.
struct Form
{
    QString reading;
    QString text;
    bool predicted = false; // the engine's own prediction, not a conversion
    bool operator==(const Form &) const = default;
};

class Engine
{
public:
    virtual ~Engine() = default;
    // The hiragana run cut into phrases, each with its candidates; empty
    // when the engine cannot convert it.
    virtual QList<Phrase> convert(const QString &reading) = 0;
    // The words the engine itself predicts for the hiragana typed so far
    // (what it would suggest while they are written), best first; none
    // when it makes no such predictions.
    virtual QList<Form> suggest(const QString &reading)
    {
        (void)reading;
        return {};
    }
};

// Anthy's engine; nullptr when it cannot be started.
std::unique_ptr<Engine> makeAnthyEngine();

} // namespace kanji
