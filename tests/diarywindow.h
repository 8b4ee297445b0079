// A main window for the diary, help, display and practice suites: started in
// a temporary start folder that holds the diary folder, with the recording
// speech control, the message boxes and file dialogs answered by the test,
// the date fixed and the end of the program recorded.
#pragma once
#include "base/fonts.h"
#include "base/keybutton.h"
#include "app/mainform.h"
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

inline QString settingsPath()
{
    return ProfileFile::pathForProgram(QCoreApplication::applicationFilePath());
}

inline void removeSettings()
{
    QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(settingsPath());
}

inline void writeSettings(const QString &text)
{
    removeSettings();
    QFile f(settingsPath());
    if (!f.open(QIODevice::WriteOnly) || f.write(sjis::encode(text)) < 0)
        qFatal("cannot write settings");
}

inline QString settingsText()
{
    QFile f(settingsPath());
    return f.open(QIODevice::ReadOnly) ? sjis::decode(f.readAll()) : QStringLiteral("<missing>");
}

inline QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void put(const QString &path, const QByteArray &bytes)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot prepare %s", qPrintable(path));
}

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

struct Window
{
    QTemporaryDir start;   // the start folder, Base_dir
    RecordingSpeech *speech = new RecordingSpeech();
    ScriptedDialogs dialogs;
    QStringList errors, notices;
    QStringList happenings; // spoken texts, boxes and the end, in order
    qsizetype heard = 0;
    int ended = 0;
    std::unique_ptr<TMain_form> form;

    explicit Window(QDate today = QDate(2031, 4, 9), bool withDiaryFolder = true)
    {
        if (withDiaryFolder)
            QDir(start.path()).mkdir(QStringLiteral("日記"));
        QDir::setCurrent(start.path());
        boxes::setHandler([this](boxes::Kind kind, const QString &text) {
            (kind == boxes::Kind::Error ? errors : notices) << text;
            catchUp();
            happenings << QStringLiteral("box:") + text;
        });
        diary::setFileDialogs(&dialogs);
        diary::setDateSource([today] { return today; });
        diary::setProgramEnd([this] {
            ++ended;
            catchUp();
            happenings << QStringLiteral("end");
        });
        form = std::make_unique<TMain_form>(speech);
        form->showCentred();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("window not active");
        speech->clear();
        heard = 0;
    }
    ~Window()
    {
        form.reset();
        boxes::setHandler({});
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

    KeyButton *key(int tag) const { return form->Key_table[tag]; }
    QString base() const { return form->state.Base_dir; }
    QString diaryFolder() const { return form->places().diaryFolder; }
    QString dated() const { return diary::datedFileIn(diaryFolder(), diary::today()); }
    QString text() const { return form->Hyouji_edit->toPlainText(); }
    void setText(const QString &text) { form->Hyouji_edit->setPlainText(text); }
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
        return QStringLiteral("%1@%2/100").arg(text).arg(form->state.Decision_voice);
    }
};

} // namespace testwin
