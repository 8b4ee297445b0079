#include "kanji/enginechoice.h"

#include "kanji/mozcengine.h"

namespace kanji {

namespace {

// Mozc first; Anthy for a conversion Mozc cannot give.
class MozcOrAnthy : public Engine
{
public:
    MozcOrAnthy() { m_mozc.start(); }

    QList<Phrase> convert(const QString &reading) override
    {
        QList<Phrase> phrases = m_mozc.convert(reading);
        if (!phrases.isEmpty())
            return phrases;
        if (!m_anthy)
            m_anthy = makeAnthyEngine();
        return m_anthy ? m_anthy->convert(reading) : QList<Phrase>();
    }
    // Mozc's predictions; Anthy makes none.
    QList<Form> suggest(const QString &reading) override { return m_mozc.suggest(reading); }

private:
    MozcEngine m_mozc;
    std::unique_ptr<Engine> m_anthy;
};

} // namespace

QString choiceName(EngineChoice choice)
{
    switch (choice) {
    case EngineChoice::Anthy: return QStringLiteral("Anthy");
    case EngineChoice::Mozc: return QStringLiteral("Mozc");
    case EngineChoice::Automatic: break;
    }
    return QStringLiteral("自動");
}

EngineChoice choiceOf(const QString &engine, const QString &option)
{
    if (engine.isEmpty())
        return option.isEmpty() ? EngineChoice::Automatic : EngineChoice::Anthy;
    for (EngineChoice c : {EngineChoice::Mozc, EngineChoice::Automatic})
        if (engine.compare(choiceName(c), Qt::CaseInsensitive) == 0)
            return c;
    return EngineChoice::Anthy;
}

EngineChoice resolve(EngineChoice choice, bool mozcCanRun)
{
    if (choice == EngineChoice::Automatic)
        return mozcCanRun ? EngineChoice::Mozc : EngineChoice::Anthy;
    return choice;
}

std::unique_ptr<Engine> makeChosenEngine(EngineChoice choice)
{
    const bool canRun = MozcEngine::unavailableReason().isEmpty();
    if (canRun && resolve(choice, canRun) == EngineChoice::Mozc)
        return std::make_unique<MozcOrAnthy>();
    return makeAnthyEngine();
}

bool usesMozc(const Engine &engine)
{
    return dynamic_cast<const MozcOrAnthy *>(&engine) != nullptr;
}

} // namespace kanji
