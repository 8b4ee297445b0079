#pragma once
// What the window suites share: the settings file beside the test program,
// files read and laid down byte for byte, and the main window shown and
// active with a recording speech control and the boxes answered by the test.
#include "app/mainform.h"
#include "base/messageboxes.h"
#include "base/profilefile.h"
#include "base/sjis.h"
#include "speech/recordingspeech.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <memory>

namespace testwindow {

inline QString settingsPath()
{
    return ProfileFile::pathForProgram(QCoreApplication::applicationFilePath());
}

inline void removeSettings()
{
    QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(settingsPath());
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

inline void writeSettings(const QString &text)
{
    removeSettings();
    put(settingsPath(), sjis::encode(text));
}

inline QString settingsText()
{
    QFile f(settingsPath());
    return f.open(QIODevice::ReadOnly) ? sjis::decode(f.readAll()) : QStringLiteral("<missing>");
}

// The main window on a recording speech control; the boxes it would show
// are collected instead (and handed to `also`, when given).
struct Shown
{
    QStringList errors, notices;
    std::unique_ptr<TMain_form> form;

    void open(RecordingSpeech *speech, const boxes::Handler &also = {})
    {
        boxes::setHandler([this, also](boxes::Kind kind, const QString &text) {
            (kind == boxes::Kind::Error ? errors : notices) << text;
            if (also)
                also(kind, text);
        });
        form = std::make_unique<TMain_form>(speech);
        form->setTonePlayer([] {}); // a beep is counted through beeped(), not played
        form->showCentred();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("window not active");
    }
    ~Shown()
    {
        form.reset();
        boxes::setHandler({});
    }
    KeyButton *key(int tag) const { return form->key(tag); }
};

} // namespace testwindow
