#pragma once
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "app/board.h"
#include "app/composition.h"
#include "app/displaysettings.h"
#include "app/editing.h"
#include "app/menus.h"
#include "base/context.h"
#include "base/keybutton.h"
#include "input/method.h"
#include "input/switchsettings.h"
#include "speech/voices.h"

class DirectSS;
class QDateTime;
class TextDisplay;
class CallForm;
class TMail_form;
class TSound_form;
class TSwitch_form;
namespace input {
class Methods;
}
namespace kanji {
class Writing;
}
namespace prediction {
class Adaptation;
class PhraseForm;
class ScanOrders;
class WordRow;
}

// The one window: the display above the board of 66 keys, and the menu bar.
// Each handler hands its work to the folder that owns it; each feature is
// given the window's pieces through the small interfaces of base/context.h.
class TMain_form : public QMainWindow, public context::Keys, public context::Window
{
    Q_OBJECT

public:
    // The speech control is owned by the window from here on.
    explicit TMain_form(DirectSS *speech, QWidget *parent = nullptr);
    ~TMain_form() override;

    // What every feature is handed, and the window's parts.
    context::Context context() { return {m_text, *this, m_voices, *this}; }
    editing::Text &text() { return m_text; }
    TextDisplay &display() const { return m_text.display(); }
    speech::Voices &voices() { return m_voices; }
    composition::Composer &composer() { return m_composer; }
    const MenuItems &menus() const { return m_menus; }
    Board *board() const { return m_board; }
    input::Methods &methods() const { return *m_methods; }
    kanji::Writing &kanji() const { return *m_kanji; }
    prediction::Adaptation &adaptation() const;
    prediction::WordRow &wordRow() const { return *m_words; }
    // The current folder at start: in the portable layout diaries, read-me
    // and mailer lie under it.
    const QString &startFolder() const { return m_startFolder; }
    void setStartFolder(const QString &folder) { m_startFolder = folder; }

    // context::Keys
    KeyButton *key(int tag) const override;
    KeyButton *focusedKey() const override { return qobject_cast<KeyButton *>(focusWidget()); }
    void announce(KeyButton *key) override;
    void frameKey(KeyButton *key) override { m_board->setFrame(key); }
    void unframe() override { m_board->hideFrame(); }
    KeyButton *framedKey() const override { return m_board->framedKey(); }
    void setColumnFrame(int column) override { m_board->setColumnFrame(column); }
    void setKeyFrames(const std::vector<int> &tags) override { m_board->setKeyFrames(tags); }
    void setCaptionHeight(int tag, int px) override { m_board->setCaptionHeight(tag, px); }
    void operate(int tag) override;
    // The short warning tone from the player set here; beeped() is emitted
    // for every beep.
    void beep() override;
    void setTonePlayer(std::function<void()> player) { m_tonePlayer = std::move(player); }

    // context::Window: files under the start folder or, installed, in the
    // user's folders.
    QWidget *widget() const override { return const_cast<TMain_form *>(this); }
    places::Places places() const override;
    void notice(const QString &text) override;
    void guarded(const std::function<void()> &operation) override;
    void textSaved(const QString &path, const QString &text) override;

    // Shows the window centred on the screen with "よむ" reached.
    void showCentred();

    // What the keys and menu items do, each handed to the folder that owns it.
    // A key press: conversion first (kanji/), then kana entry or the key's operation.
    void pressKey(KeyButton *key);
    // Editing (app/editing).
    void deleteOne();
    void newLine();
    void clearAll();
    void undo();
    void copyAll();
    void paste();
    // Speech (speech/); "スクリーンリーダーがよむ" leaves the names of reached
    // places to a screen reader following the accessible focus.
    void readAloud();
    void toggleScreenReader();
    // Diary files, printing, mail and the read-me (diary/, mail/).
    void saveDiary();
    void saveAs();
    void openFile();
    void printText();
    void sendMail();
    // The call for help began: its mail and command go out (mail/callsend).
    void callForHelp(const QDateTime &at);
    // "よぶ" from the menu: the call, as holding the switch starts it (input/call).
    void startCall();
    void endProgram();
    void showReadMe();
    // Input methods (input/).
    void chooseMethod(input::MethodId id);
    void toggleDwell();
    void applySwitchSettings(const input::SwitchSettings &settings);
    // The display and practice mode (app/displaysettings, app/practicemode).
    void invertColours();
    void chooseSize(display::Size size);
    void showPracticeKeys(int shownKeys);
    // A word place pressed, by its index from the left (prediction/).
    void chooseWord(int index);

signals:
    void beeped();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void createFeatures();
    void createDialogs();
    void connectKeys();
    void connectMenus();
    void connectFeatures();
    void loadPrediction();
    void readSwitchSettingsAtStart();
    void readSettingsAtStart();
    void readCallSettingsAtStart(bool newUser);
    // Said and shown once the window is up (a value of the file put right).
    void tellOnceShown(const QString &spoken, const QString &shown);
    // A change of the width takes the height with it in the designed
    // proportions; a change of the height alone is undone.
    void keepProportions();
    // The size items with their sizes, and the size checked (none for a
    // size written by hand).
    std::array<std::pair<QAction *, display::Size>, 3> sizeItems() const;
    std::optional<display::Size> checkedSize() const;

    Board *m_board;
    editing::Text m_text;
    speech::Voices m_voices;
    composition::Composer m_composer;
    MenuItems m_menus;
    QString m_startFolder;
    int m_lastWidth = 0;
    int m_lastHeight = 0;
    std::function<void()> m_tonePlayer;
    kanji::Writing *m_kanji = nullptr;
    std::unique_ptr<prediction::ScanOrders> m_orders;
    prediction::WordRow *m_words = nullptr;
    input::Methods *m_methods = nullptr;
    TMail_form *m_mailForm = nullptr;
    TSound_form *m_soundForm = nullptr;
    TSwitch_form *m_switchForm = nullptr;
    CallForm *m_callForm = nullptr;
    prediction::PhraseForm *m_phraseForm = nullptr;
};
