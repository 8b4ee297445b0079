#pragma once
// The main window with a recording speech control whose modes a test
// chooses, for the voice dialog and the key announcements.
#include "base/apperror.h"
#include "base/fonts.h"
#include "base/keybutton.h"
#include "tests/testwindow.h"
#include "base/messageboxes.h"
#include "speech/recordingspeech.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <memory>

namespace speechtest {

using namespace testwindow;

inline QByteArray settingsBytes()
{
    return bytesOf(settingsPath());
}

// A recording control whose members can be made to fail, as a broken
// engine's would.
class FailingSpeech : public RecordingSpeech
{
public:
    using RecordingSpeech::RecordingSpeech;
    bool failSpeak = false;
    bool failNames = false;
    void SpeakText(const QString &text) override
    {
        if (failSpeak)
            throw AppError(QStringLiteral("音声エンジンのエラー"));
        RecordingSpeech::SpeakText(text);
    }
    QString EngineModeName(int mode) const override
    {
        if (failNames)
            throw AppError(QStringLiteral("音声エンジンのエラー"));
        return RecordingSpeech::EngineModeName(mode);
    }
};

struct SpeechWindow : Shown
{
    FailingSpeech *speech;

    explicit SpeechWindow(QList<RecordingSpeech::Mode> modes = RecordingSpeech::defaultModes())
        : speech(new FailingSpeech(std::move(modes)))
    {
        fonts::installSubstitutions();
        open(speech);
    }
};

} // namespace speechtest
