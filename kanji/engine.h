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

class Engine
{
public:
    virtual ~Engine() = default;
    // The hiragana run cut into phrases, each with its candidates; empty
    // when the engine cannot convert it.
    virtual QList<Phrase> convert(const QString &reading) = 0;
};

// Anthy's engine; nullptr when it cannot be started.
std::unique_ptr<Engine> makeAnthyEngine();

} // namespace kanji
