// A main window for the diary, help, display and practice suites: started in
// a temporary start folder that holds the diary folder, with the recording
// speech control, the message boxes and file dialogs answered by the test,
// the date fixed and the end of the program recorded.
#pragma once
#include "base/fonts.h"
#include "base/keybutton.h"
#include "input/methods.h"
#include "tests/testwindow.h"
#include "base/messageboxes.h"
#include "base/sjis.h"
#include "base/textdisplay.h"
#include "diary/diarypaths.h"
#include "diary/diarystorage.h"
#include "diary/filedialogs.h"
#include "speech/recordingspeech.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

namespace testwin {

using namespace testwindow;

// Answers the save and open dialogs with the next prepared name (nothing:
// cancel) and records the folder each one started in.
struct ScriptedDialogs : diary::FileDialogs
{
    std::optional<QString> answer;
    QStringList saveFolders, openFolders;

    std::optional<QString> saveFileName(QWidget *, const QString &folder) override
    {
        saveFolders << folder;
        return answer;
    }
    std::optional<QString> openFileName(QWidget *, const QString &folder) override
    {
        openFolders << folder;
        return answer;
    }
};

struct Window : Shown
{
    QTemporaryDir start;   // the start folder
    RecordingSpeech *speech = new RecordingSpeech();
    ScriptedDialogs dialogs;
    QStringList happenings; // spoken texts, boxes and the end, in order
    qsizetype heard = 0;
    int ended = 0;

    explicit Window(QDate today = QDate(2031, 4, 9), bool withDiaryFolder = true)
    {
        if (withDiaryFolder)
            QDir(start.path()).mkdir(QStringLiteral("日記"));
        QDir::setCurrent(start.path());
        diary::setFileDialogs(&dialogs);
        diary::setDateSource([today] { return today; });
        diary::setProgramEnd([this] {
            ++ended;
            catchUp();
            happenings << QStringLiteral("end");
        });
        open(speech, [this](boxes::Kind, const QString &text) {
            catchUp();
            happenings << QStringLiteral("box:") + text;
        });
        speech->clear();
        heard = 0;
    }
    ~Window()
    {
        form.reset();
        diary::setFileDialogs(nullptr);
        diary::setDateSource({});
        diary::setProgramEnd({});
        QDir::setCurrent(QCoreApplication::applicationDirPath());
    }

    // Spoken texts not yet among the happenings join them.
    void catchUp()
    {
        const QStringList texts = speech->spokenTexts();
        for (; heard < texts.size(); ++heard)
            happenings << QStringLiteral("say:") + texts[heard];
    }

    QString base() const { return form->startFolder(); }
    QString diaryFolder() const { return form->places().diaryFolder; }
    QString dated() const { return diary::datedFileIn(diaryFolder(), diary::today()); }
    QString text() const { return form->display().toPlainText(); }
    void setText(const QString &text) { form->display().setPlainText(text); }
    // Spoken texts with the voice each was spoken in.
    QStringList spoken() const
    {
        QStringList out;
        for (const auto &e : speech->events())
            if (e.kind == RecordingSpeech::Event::Speak)
                out << QStringLiteral("%1@%2/%3").arg(e.text).arg(e.mode).arg(e.speed);
        return out;
    }
    QString decision(const QString &text) const
    {
        return QStringLiteral("%1@%2/100").arg(text).arg(form->voices().voice(speech::Role::Decision));
    }
};

} // namespace testwin
