#pragma once
#include <QMainWindow>
#include <array>
#include <functional>

#include "base/keytable.h"
#include "app/mainstate.h"
#include "base/places.h"
#include "app/menus.h"
#include "base/profilefile.h"
#include "input/multitap.h"
#include "input/switchsettings.h"

class Board;
class DirectSS;
class TextDisplay;
class KeyButton;
class TMail_form;
class TSound_form;
class TSwitch_form;
namespace input {
class DwellInput;
class SwitchInput;
}
namespace kanji {
class Writing;
}

// The one window: the display above the board of 66 keys, and the menu bar.
// Handlers keep the names of the design and hand the work to the folder that
// owns it.
class TMain_form : public QMainWindow
{
    Q_OBJECT

public:
    // The speech control is owned by the window from here on.
    explicit TMain_form(DirectSS *speech, QWidget *parent = nullptr);
    ~TMain_form() override;

    // Window-wide state, tables and controls, shared by the parts of the window.
    MainState state;
    std::array<KeyButton *, keys::kCount> Key_table{};
    std::array<QString, readings::kCount> Reading_table;
    TextDisplay *Hyouji_edit = nullptr;
    DirectSS *DirectSS1 = nullptr;
    MenuItems menus{};

    Board *board() const { return m_board; }
    // Where the settings file, diaries, read-me and mailer lie: under the
    // start folder (Base_dir) or, installed, in the user's folders.
    places::Places places() const;
    ProfileFile settings() const;

    // Shows the window centred on the screen with "よむ" reached.
    void showCentred();

    // Runs an operation; an AppError it throws ends it and is shown in the
    // error box, and the program carries on.
    void guarded(const std::function<void()> &operation);

    // Puts a message into Speech_text and speaks it in the decision voice,
    // queued behind what is being spoken.
    void speakMessage(const QString &text);

    // The short warning tone (a voicing mark that cannot apply, a hidden
    // key reached by the keypad). It never cuts the speech. The sound comes
    // from the tone player set here; beeped() is emitted for every beep.
    void MessageBeep();
    void setTonePlayer(std::function<void()> player) { m_tonePlayer = std::move(player); }

    // The focus frame: exactly one blue frame, round the given key (or none).
    void frameKey(KeyButton *key);
    void unframeKey();

    // Handlers of the design.
    void FormCreate();
    void FormResize();
    void speak(KeyButton *key);
    void Button0Click();
    void N11Click();
    void N12Click();
    void N13Click();
    // Switch input, its settings and dwell (input/switchinput, input/switchform,
    // input/dwellinput).
    void Switch1Click();
    void SwitchSetup1Click();
    void Dwell1Click();
    input::SwitchInput *switchInput = nullptr;
    input::DwellInput *dwellInput = nullptr;
    TSwitch_form *Switch_form = nullptr; // the switch settings dialog, created with the window
    // Puts the switch and dwell settings into effect.
    void applySwitchSettings(const input::SwitchSettings &settings);
    // Printing (diary/printing).
    void Button60Click();
    void Print1Click();
    // Diary files and the end (diary/diarystorage), help (diary/help),
    // display settings (app/displaysettings), practice mode (app/practicemode).
    void Button59Click();
    void Button61Click();
    void N2Click();
    void Save1Click();
    void Exit1Click();
    void Exit2Click();
    void ReadMeH1Click();
    void About1Click();
    void I1Click();
    void N16Click();
    void N17Click();
    void N18Click();
    void N3Click();
    void N4Click();
    void N5Click();
    void N8Click();
    void N9Click();
    // Mail (mail/sending, mail/mailform).
    void N6Click();
    void Send1Click();
    void Button65Click();
    TMail_form *Mail_form = nullptr; // the mail settings dialog, created with the window
    // Voice settings (speech/soundform).
    void N7Click();
    TSound_form *Sound_form = nullptr; // the voice settings dialog, created with the window
    // Writing (app/composition, app/editing): kana entry, the display's
    // handlers and the editing commands.
    void ButtonClick(KeyButton *key);
    void Hyouji_editSelectionChange();
    void Hyouji_editMouseUp();
    void Button57Click();
    void Button58Click();
    void BitBtn1Click();
    void all_dellClick();
    void A1Click();
    void Undo1Click();
    void Copy1Click();
    void N19Click();
    // Every key release reaches it first (from the application's key filter).
    void TenKeyUp(int key, Qt::KeyboardModifiers modifiers);

    // The multi-tap keypad's place in its groups (Tap_index, Tapped_key).
    input::MultiTap multiTap;

    // Kana–kanji conversion (kanji/), on the two blank keys when chosen.
    kanji::Writing *Kanji = nullptr;

signals:
    void beeped();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void connectKeys();
    void connectMenus();
    void keyPressed(KeyButton *key);
    void readSettingsAtStart();

    Board *m_board = nullptr;
    std::function<void()> m_tonePlayer;
};
