#pragma once
// The main window with a recording speech control whose modes a test
// chooses, for the voice dialog and the key announcements.
#include "base/apperror.h"
#include "base/fonts.h"
#include "base/keybutton.h"
#include "app/mainform.h"
#include "base/messageboxes.h"
#include "speech/recordingspeech.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <memory>

namespace speechtest {

inline QString settingsPath()
{
    return ProfileFile::pathForProgram(QCoreApplication::applicationFilePath());
}

inline void removeSettings()
{
    QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(settingsPath());
}

inline QByteArray settingsBytes()
{
    QFile f(settingsPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
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

struct SpeechWindow
{
    FailingSpeech *speech;
    QStringList errors;
    std::unique_ptr<TMain_form> form;

    explicit SpeechWindow(QList<RecordingSpeech::Mode> modes = RecordingSpeech::defaultModes())
        : speech(new FailingSpeech(std::move(modes)))
    {
        fonts::installSubstitutions();
        boxes::setHandler([this](boxes::Kind kind, const QString &text) {
            if (kind == boxes::Kind::Error)
                errors << text;
        });
        form = std::make_unique<TMain_form>(speech);
        form->showCentred();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("window not exposed");
    }
    ~SpeechWindow() { boxes::setHandler({}); }
    KeyButton *key(int tag) const { return form->Key_table[tag]; }
};

} // namespace speechtest
