#pragma once
#include <QMainWindow>
#include <array>
#include <functional>

#include "app/board.h"
#include "app/mainstate.h"
#include "app/menus.h"
#include "base/context.h"
#include "base/keybutton.h"
#include "base/keytable.h"
#include "base/messageboxes.h"
#include "input/switchsettings.h"
#include "speech/voices.h"

class DirectSS;
class TextDisplay;
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
class WordRow;
}

// The one window: the display above the board of 66 keys, and the menu bar.
// Handlers keep the names of the design and hand the work to the folder that
// owns it; each feature is given the window's pieces through the small
// interfaces of base/context.h, which the window fills in.
class TMain_form : public QMainWindow, public context::Text, public context::Keys, public context::Window
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
    speech::Voices voices; // every text the window says, by role
    MenuItems menus{};

    Board *board() const { return m_board; }
    // What every feature is handed.
    context::Context context() { return {*this, *this, voices, *this}; }

    // The pieces of context::Text, context::Keys and context::Window.
    TextDisplay &display() const override { return *Hyouji_edit; }
    void beginEdit() override;
    void recordBar() override;
    KeyButton *key(int tag) const override;
    KeyButton *focusedKey() const override { return qobject_cast<KeyButton *>(focusWidget()); }
    void announce(KeyButton *key) override { speak(key); }
    // The focus frame: exactly one blue frame, round the given key (or none).
    void frameKey(KeyButton *key) override;
    void unframe() override;
    KeyButton *framedKey() const override { return m_board->framedKey(); }
    void setColumnFrame(int column) override { m_board->setColumnFrame(column); }
    void setKeyFrames(const std::vector<int> &tags) override { m_board->setKeyFrames(tags); }
    void setCaptionHeight(int tag, int px) override { m_board->setCaptionHeight(tag, px); }
    void operate(int tag) override;
    void beep() override { MessageBeep(); }
    QWidget *widget() const override { return const_cast<TMain_form *>(this); }
    // Where the settings file, diaries, read-me and mailer lie: under the
    // start folder (Base_dir) or, installed, in the user's folders.
    places::Places places() const override;
    void notice(const QString &text) override { boxes::notice(this, text); }
    void guarded(const std::function<void()> &operation) override;
    void textSaved(const QString &path, const QString &text) override;

    // Shows the window centred on the screen with "よむ" reached.
    void showCentred();

    // The short warning tone (a voicing mark that cannot apply, a hidden
    // key reached by the keypad). It never cuts the speech. The sound comes
    // from the tone player set here; beeped() is emitted for every beep.
    void MessageBeep();
    void setTonePlayer(std::function<void()> player) { m_tonePlayer = std::move(player); }

    // Handlers of the design.
    void FormCreate();
    void FormResize();
    void speak(KeyButton *key);
    void Button0Click();
    void N11Click();
    void N12Click();
    void N13Click();
    // Input methods (input/): the arrow keys, the pointer and dwell, the
    // keypad, switch input and its settings.
    void Switch1Click();
    void SwitchSetup1Click();
    void Dwell1Click();
    input::Methods *methods = nullptr;
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
    // "スクリーンリーダーがよむ": the names of reached keys and scan places are
    // left to the screen reader, which hears them through the accessible focus.
    void ScreenReader1Click();
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
    // Every key release the key filter does not take reaches it.
    void TenKeyUp(int key, Qt::KeyboardModifiers modifiers);

    // Kana–kanji conversion (kanji/), on the two blank keys when chosen.
    kanji::Writing *Kanji = nullptr;
    // The kana model (prediction/), loaded at start and adapted to the
    // user's diaries and every text saved; the switch scan's orders 2 and 3.
    prediction::Adaptation *Prediction = nullptr;
    // The switch scan's groups in the order chosen, for the text before the
    // insertion point as it is now.
    input::ScanOrder scanOrder(const input::Reachable &scannable) const;

    // The row of words and phrases (prediction/), when chosen, and the
    // phrase dialog.
    prediction::WordRow *Words = nullptr;
    prediction::PhraseForm *Phrase_form = nullptr;
    void Words1Click();
    void WordsForget1Click();
    void Phrases1Click();
    void SpeakOnly1Click();
    // A word place pressed (index from the left).
    void WordClick(int index);

signals:
    void beeped();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void connectKeys();
    void connectMenus();
    void keyPressed(KeyButton *key);
    void readSettingsAtStart();
    void readSwitchSettingsAtStart();
    void loadPrediction();

    Board *m_board = nullptr;
    std::function<void()> m_tonePlayer;
};
