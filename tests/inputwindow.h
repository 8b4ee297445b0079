#pragma once
// A shown, active main window with a recording speech engine, for driving it
// with real key and pointer events as a user does.
#include "base/keybutton.h"
#include "input/methods.h"
#include "tests/testwindow.h"
#include "base/messageboxes.h"
#include "base/profilefile.h"
#include "speech/recordingspeech.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTest>
#include <QWindow>
#include <memory>

namespace inputtest {

using namespace testwindow;

// One key as a user presses it: "Left", "S-Left" (Shift), "C-" (Ctrl),
// "A-" (Alt), "kp8" / "kp-" / "kpEnter" / "kpUp" (keypad), "8", "Return".
struct KeyStroke
{
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers;
};

inline KeyStroke stroke(QString name)
{
    KeyStroke s;
    for (;;) {
        if (name.startsWith(u"S-")) s.modifiers |= Qt::ShiftModifier;
        else if (name.startsWith(u"C-")) s.modifiers |= Qt::ControlModifier;
        else if (name.startsWith(u"A-")) s.modifiers |= Qt::AltModifier;
        else break;
        name.remove(0, 2);
    }
    if (name.startsWith(u"kp") && name.size() > 2) {
        s.modifiers |= Qt::KeypadModifier;
        name.remove(0, 2);
    }
    static const QHash<QString, Qt::Key> named = {
        {"Left", Qt::Key_Left},       {"Right", Qt::Key_Right},   {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down},       {"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter},
        {"Home", Qt::Key_Home},       {"PgUp", Qt::Key_PageUp},   {"Clear", Qt::Key_Clear},
        {"End", Qt::Key_End},         {"PgDown", Qt::Key_PageDown}, {"Ins", Qt::Key_Insert},
        {"Del", Qt::Key_Delete},      {"Space", Qt::Key_Space},   {"F5", Qt::Key_F5},
        {"Alt", Qt::Key_Alt},
    };
    if (named.contains(name))
        s.key = named.value(name);
    else if (name.size() == 1) // digits and signs: Qt's code is the character's
        s.key = Qt::Key(name.at(0).unicode());
    else
        qFatal("unknown key %s", qPrintable(name));
    return s;
}

struct Window : Shown
{
    RecordingSpeech *speech = new RecordingSpeech();
    qsizetype seen = 0; // speech events already looked at

    Window()
    {
        open(speech);
        heard(); // the greeting
    }

    // Real message boxes from now on, or the boxes recorded in errors and
    // notices instead (as from the start).
    void realBoxes(bool real)
    {
        boxes::setHandler(real ? boxes::Handler() : [this](boxes::Kind kind, const QString &text) {
            (kind == boxes::Kind::Error ? errors : notices) << text;
        });
    }

    QWindow *window() const { return form->windowHandle(); }
    // The menu item of a method: 0 arrow keys, 1 mouse, 2 keypad, 3 switch.
    QAction *methodItem(int method) const
    {
        const MenuItems &m = form->menus();
        return method == 0 ? m.arrowKeys : method == 1 ? m.mouse : method == 2 ? m.keypad : m.switchInput;
    }
    void choose(int method) { methodItem(method)->trigger(); }
    // Tag of the key that has the focus, -1 when none has it.
    int focused() const
    {
        const auto *k = qobject_cast<const KeyButton *>(QApplication::focusWidget());
        return k ? k->Tag() : -1;
    }

    // A press and a release through the window system's window.
    void type(const QString &names)
    {
        for (const QString &name : names.split(u' ', Qt::SkipEmptyParts)) {
            const KeyStroke s = stroke(name);
            QTest::keyClick(window(), s.key, s.modifiers);
        }
    }

    // The point at the middle of a key, in the window's coordinates.
    QPoint middleOf(const QWidget *w) const { return w->mapTo(form.get(), w->rect().center()); }
    void pointAt(QPoint p) { QTest::mouseMove(window(), p); }

    // Texts spoken since the last call; the decision voice's marked with "=".
    QStringList heard()
    {
        QStringList out;
        const auto &events = speech->events();
        for (; seen < events.size(); ++seen) {
            const RecordingSpeech::Event &e = events[seen];
            if (e.kind != RecordingSpeech::Event::Speak)
                continue;
            out << (e.mode == form->voices().voice(speech::Role::Decision) && e.mode != form->voices().voice(speech::Role::Selection)
                        ? u'=' + e.text
                        : e.text);
        }
        return out;
    }

    // Practice mode's effect on the board: kana keys after lastKana hidden.
    void showKanaUpTo(int lastKana)
    {
        for (int t = 1; t <= 55; ++t)
            key(t)->setVisible(t <= lastKana);
    }
};

} // namespace inputtest
