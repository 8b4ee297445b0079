#pragma once
#include <QString>
#include <memory>

#include "kanji/engine.h"

// Which engine converts: the user's choice ("文字"/"エンジン" in the
// settings file) and what it comes to on this machine.
namespace kanji {

enum class EngineChoice { Anthy, Mozc, Automatic };

// The value in the settings file and the menu: "Anthy", "Mozc", "自動".
QString choiceName(EngineChoice choice);

// The choice a settings file holds. `engine` and `option` are the values of
// "エンジン" and "漢字", empty when absent. Without an engine, a file that
// already has the option keeps Anthy, the engine it has always had; a user
// who has never switched conversion on gets the automatic choice. A value
// not understood keeps Anthy as well.
EngineChoice choiceOf(const QString &engine, const QString &option);

// The engine a choice comes to: automatic is Mozc when Mozc can run here
// (MozcEngine::unavailableReason() is empty), Anthy otherwise.
EngineChoice resolve(EngineChoice choice, bool mozcCanRun);

// The engine of a choice. Mozc starts in the background at once; whenever
// it is not ready, gone or late, Anthy converts in its place (made at its
// first need). Anthy alone: nullptr when it cannot be started.
std::unique_ptr<Engine> makeChosenEngine(EngineChoice choice);

// Whether an engine of makeChosenEngine() converts with Mozc when it can (for the
// bench and the window's tests).
bool usesMozc(const Engine &engine);

} // namespace kanji
