#include "app/mainform.h"

#include "base/apperror.h"
#include "app/board.h"
#include "base/textdisplay.h"
#include "base/keybutton.h"
#include "base/messageboxes.h"
#include "app/displaysettings.h"
#include "app/practicemode.h"
#include "diary/diarystorage.h"
#include "diary/help.h"
#include "base/textmodel.h"
#include "diary/printing.h"
#include "app/composition.h"
#include "app/editing.h"
#include "input/dwellinput.h"
#include "input/keyfilter.h"
#include "input/methods.h"
#include "input/switchform.h"
#include "input/switchinput.h"
#include "mail/mailform.h"
#include "mail/sending.h"
#include "kanji/kanjiwriting.h"
#include "prediction/adaptation.h"
#include "prediction/phraseform.h"
#include "prediction/usage.h"
#include "prediction/wordrow.h"
#include "prediction/scanorders.h"
#include "speech/announcements.h"
#include "speech/directss.h"
#include "speech/soundform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <cmath>

TMain_form::TMain_form(DirectSS *speech, QWidget *parent) : QMainWindow(parent), DirectSS1(speech), voices(*speech)
{
    setObjectName(QStringLiteral("Main_form"));
    setWindowTitle(QStringLiteral("もじぽっと帳sapi4"));
    DirectSS1->setParent(this);

    m_board = new Board(this);
    setCentralWidget(m_board);
    Hyouji_edit = m_board->display();
    menus = buildMenus(menuBar());
    setMinimumSize(Board::kDesignedWidth / 5, Board::kDesignedHeight / 5);
    resize(Board::kDesignedWidth, Board::kDesignedHeight);

    Kanji = new kanji::Writing(context(), this);
    prediction::WordRow::Hooks hooks;
    hooks.adaptation = [this] { return Prediction; };
    hooks.anchor = [this] { return Kanji->anchor(); };
    hooks.conversions = [this](QStringView prefix) { return Kanji->conversionsFrom(prefix); };
    hooks.writeConverted = [this](int start, int end, const QString &text, const QString &reading) {
        Kanji->putConverted(start, end, text, reading);
    };
    hooks.beforeWriting = [this] { Kanji->commitAll(); };
    Words = new prediction::WordRow(context(), std::move(hooks), this);
    methods = new input::Methods(context(), this);
    connectKeys();
    connectMenus();
    new input::KeyFilter(*this, *methods, *this); // held keys, switches, the walk, key releases
    FormCreate();
    Mail_form = new TMail_form(*this);
    Sound_form = new TSound_form(context());
    Switch_form = new TSwitch_form(context(), [this] { return methods->switches().settings(); });
    Phrase_form = new prediction::PhraseForm(context(), *Words);
    connect(Switch_form, &TSwitch_form::settingsChosen, this, &TMain_form::applySwitchSettings);
}

TMain_form::~TMain_form() = default;

KeyButton *TMain_form::key(int tag) const
{
    if (tag >= 0 && tag < keys::kCount)
        return Key_table[tag];
    if (input::isWordPlace(tag))
        return m_board->wordPlaces()[tag - input::kFirstWord];
    return nullptr;
}

places::Places TMain_form::places() const
{
    return places::forThisProgram(state.Base_dir);
}






void TMain_form::beginEdit()
{
    // Undo_text ← the whole-text string, Line_before ← the display line of
    // the insertion point.
    state.Undo_text = textmodel::wholeText(Hyouji_edit, textmodel::insertionPosition(Hyouji_edit), &state.Line_before);
}

void TMain_form::recordBar()
{
    state.Caret_point = Hyouji_edit->barRect().topLeft();
}

void TMain_form::connectKeys()
{
    for (KeyButton *key : m_board->keys()) {
        connect(key, &KeyButton::focusEntered, this, [this](KeyButton *k) { guarded([&] { speak(k); }); });
        connect(key, &QPushButton::clicked, this, [this, key] { keyPressed(key); });
        connect(key, &KeyButton::pointerMoved, this, [this](KeyButton *k) { methods->method().pointerMoved(k->Tag()); });
        connect(key, &KeyButton::pointerLeft, this, [this](KeyButton *k) { methods->method().pointerLeft(k->Tag()); });
    }
    // The word places, as keys; a place that holds nothing is as if the
    // pointer were off the board.
    for (KeyButton *place : m_board->wordPlaces()) {
        connect(place, &KeyButton::focusEntered, this, [this](KeyButton *k) { guarded([&] { speak(k); }); });
        connect(place, &QPushButton::clicked, this,
                [this, place] { guarded([&] { WordClick(place->Tag() - input::kFirstWord); }); });
        connect(place, &KeyButton::pointerMoved, this, [this](KeyButton *k) {
            if (k->text().isEmpty())
                methods->method().pointerLeft(k->Tag());
            else
                methods->method().pointerMoved(k->Tag());
        });
        connect(place, &KeyButton::pointerLeft, this, [this](KeyButton *k) { methods->method().pointerLeft(k->Tag()); });
    }
}

void TMain_form::connectMenus()
{
    const auto on = [this](QAction *action, void (TMain_form::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    on(menus.R1, &TMain_form::Button0Click);
    on(menus.N7, &TMain_form::N7Click);
    on(menus.ScreenReader1, &TMain_form::ScreenReader1Click);
    on(menus.N11, &TMain_form::N11Click);
    on(menus.N12, &TMain_form::N12Click);
    on(menus.N13, &TMain_form::N13Click);
    on(menus.Switch1, &TMain_form::Switch1Click);
    on(menus.SwitchSetup1, &TMain_form::SwitchSetup1Click);
    on(menus.Dwell1, &TMain_form::Dwell1Click);
    on(menus.Print1, &TMain_form::Print1Click);
    on(menus.N2, &TMain_form::N2Click);
    on(menus.Save1, &TMain_form::Save1Click);
    on(menus.Exit1, &TMain_form::Exit1Click);
    on(menus.Exit2, &TMain_form::Exit2Click);
    on(menus.ReadMeH1, &TMain_form::ReadMeH1Click);
    on(menus.About1, &TMain_form::About1Click);
    on(menus.I1, &TMain_form::I1Click);
    on(menus.N16, &TMain_form::N16Click);
    on(menus.N17, &TMain_form::N17Click);
    on(menus.N18, &TMain_form::N18Click);
    on(menus.N3, &TMain_form::N3Click);
    on(menus.N4, &TMain_form::N4Click);
    on(menus.N5, &TMain_form::N5Click);
    on(menus.N8, &TMain_form::N8Click);
    on(menus.N9, &TMain_form::N9Click);
    on(menus.Del, &TMain_form::Button57Click);
    on(menus.A1, &TMain_form::A1Click);
    on(menus.Undo1, &TMain_form::Undo1Click);
    on(menus.Copy1, &TMain_form::Copy1Click);
    on(menus.N19, &TMain_form::N19Click);
    // The display reports every change of its selection or insertion point,
    // and mouse releases over it.
    connect(Hyouji_edit, &QPlainTextEdit::cursorPositionChanged, this, [this] { Hyouji_editSelectionChange(); });
    connect(Hyouji_edit, &QPlainTextEdit::selectionChanged, this, [this] { Hyouji_editSelectionChange(); });
    connect(Hyouji_edit, &TextDisplay::mouseReleased, this, [this] { Hyouji_editMouseUp(); });
    connect(menus.Kanji1, &QAction::triggered, this, [this] { guarded([&] { Kanji->toggle(); }); });
    connect(menus.KanjiForget1, &QAction::triggered, this, [this] { guarded([&] { Kanji->forget(); }); });
    connect(Kanji, &kanji::Writing::enabledChanged, menus.Kanji1, &QAction::setChecked);
    on(menus.Words1, &TMain_form::Words1Click);
    on(menus.WordsForget1, &TMain_form::WordsForget1Click);
    on(menus.Phrases1, &TMain_form::Phrases1Click);
    on(menus.SpeakOnly1, &TMain_form::SpeakOnly1Click);
    connect(Words, &prediction::WordRow::enabledChanged, this, [this](bool on) {
        menus.Words1->setChecked(on);
        if (!on && focusedKey() && input::isWordPlace(focusedKey()->Tag()))
            Key_table[keys::kRead]->setFocus(Qt::OtherFocusReason);
        m_board->setWordRowShown(on);
        methods->wordRow = on;
    });
    connect(Words, &prediction::WordRow::speakOnlyChanged, menus.SpeakOnly1, &QAction::setChecked);
    connect(Words, &prediction::WordRow::wrote, this, [this](int lastKey) { state.Last_key = lastKey; });
    const std::pair<QAction *, kanji::EngineChoice> engines[] = {{menus.EngineAnthy1, kanji::EngineChoice::Anthy},
                                                                 {menus.EngineMozc1, kanji::EngineChoice::Mozc},
                                                                 {menus.EngineAuto1, kanji::EngineChoice::Automatic}};
    for (const auto &[action, choice] : engines) {
        connect(action, &QAction::triggered, this, [this, choice] { guarded([&] { Kanji->chooseEngine(choice); }); });
        connect(Kanji, &kanji::Writing::engineChosen, action,
                [action, choice](kanji::EngineChoice chosen) { action->setChecked(chosen == choice); });
    }
    connect(methods, &input::Methods::selected, this, [this](input::MethodId id) {
        menus.N11->setChecked(id == input::MethodId::ArrowKeys);
        menus.N12->setChecked(id == input::MethodId::Mouse);
        menus.N13->setChecked(id == input::MethodId::Keypad);
        menus.Switch1->setChecked(id == input::MethodId::Switch);
        menus.N1->setEnabled(id != input::MethodId::Keypad); // practice mode
    });
    on(menus.N6, &TMain_form::N6Click);
    on(menus.Send1, &TMain_form::Send1Click);
}

void TMain_form::keyPressed(KeyButton *key)
{
    guarded([&] {
        if (Kanji->beforeKey(key->Tag()))
            return; // "へんかん", "かくてい", or "けす" putting back the hiragana
        if (key->Tag() >= 1 && key->Tag() <= keys::kSpace)
            return ButtonClick(key); // the 56 entry keys share one operation
        operate(key->Tag());
    });
}

void TMain_form::operate(int tag)
{
    switch (tag) {
    case keys::kRead: return Button0Click();
    case keys::kPrint: return Button60Click();
    case keys::kSave: return Button59Click();
    case keys::kEnd: return Button61Click();
    case keys::kNewLine: return Button58Click();
    case keys::kDelete: return Button57Click();
    case keys::kClearAll: return BitBtn1Click();
    case keys::kMail: return Button65Click();
    default: break; // the two blank keys do nothing
    }
}

void TMain_form::guarded(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const AppError &e) {
        boxes::error(this, e.message());
    }
}

void TMain_form::FormCreate()
{
    state.Line_memory = 0;
    state.Framed_key = -1;
    state.Caret_point = QPoint(0, 0);
    Reading_table = readings::table();
    Key_table = m_board->keys();
    state.Base_dir = QDir::currentPath();
    state.Last_width = width();
    state.Last_height = height();
    places::createFolders(places());
    loadPrediction();
    // The switch settings first: switch input started from the settings
    // file keeps the order it had.
    guarded([this] { readSwitchSettingsAtStart(); });
    guarded([this] {
        readSettingsAtStart();
        voices.use(speech::Role::Selection);
    });
}

void TMain_form::loadPrediction()
{
    // A few milliseconds at start; the diaries are read on a thread of the
    // adaptation's own, and the window never waits for them.
    const QString program = QCoreApplication::applicationFilePath();
    const QString path =
        prediction::modelFile(places::installedPrefix(program), QCoreApplication::applicationDirPath());
    QString why;
    auto model = std::make_shared<const prediction::KanaModel>(prediction::KanaModel::load(path, &why));
    if (model->isEmpty()) // the scan keeps the board's order
        qWarning("kana model %s not read: %s", qPrintable(path), qPrintable(why));
    Prediction = new prediction::Adaptation(model, this);
    // What the user asked to be forgotten ("よそくの学習を忘れる") stays forgotten at later starts.
    Prediction->setNotBefore(prediction::Usage::readFile(prediction::Usage::defaultPath()).forgotten());
    Prediction->readFolder(places().diaryFolder);
    methods->switches().setOrderSource([this](const input::Reachable &shown) { return scanOrder(shown); });
}

input::ScanOrder TMain_form::scanOrder(const input::Reachable &scannable) const
{
    const int order = methods->switches().settings().order;
    const bool byModel = order != input::SwitchSettings::kBoardOrder && Prediction->hasModel();
    const auto groupsFor = [order, byModel, scannable](const prediction::Distribution &next) {
        return byModel ? prediction::scanOrder(order, next, scannable) : input::boardOrder();
    };
    // The model looks at a few symbols before the insertion point at most.
    const QString before = textmodel::textBefore(Hyouji_edit, textmodel::insertionPosition(Hyouji_edit), 32);
    input::ScanOrder groups = byModel ? groupsFor(Prediction->next(before)) : input::boardOrder();
    if (Words->enabled()) {
        // The row among them, placed by what it is expected to save in this
        // order at the user's own pace.
        const input::SwitchSettings &s = methods->switches().settings();
        prediction::RowCosts costs;
        costs.timing.interval = s.interval / 1000.0;
        costs.timing.firstWait = s.firstWait / 1000.0;
        costs.order = groupsFor;
        costs.next = [this](const prediction::History &h) { return Prediction->next(h); };
        costs.contextLength = std::max(1, Prediction->base().order() - 1);
        Words->placeInScan(groups, costs, Board::kWordRowFrame);
    }
    return groups;
}

void TMain_form::textSaved(const QString &path, const QString &text)
{
    Prediction->takeText(path, text);
}

void TMain_form::readSwitchSettingsAtStart()
{
    // Two switches on one key (a hand-edited file) are put back to the
    // style's own keys, stored so, and the user is told once the window is shown.
    const ProfileFile ini = settings();
    bool clashed = false;
    const input::SwitchSettings s = input::SwitchSettings::read(ini, &clashed);
    applySwitchSettings(s);
    if (!clashed)
        return;
    QTimer::singleShot(0, this, [this] {
        voices.say(QStringLiteral("いどうと けっていが おなじ スイッチだったので、はじめの スイッチに もどしました"),
                   speech::Role::Decision);
        notice(QStringLiteral("スイッチの設定で　移動と決定が　おなじ　スイッチだったので、"
                              "はじめの　スイッチ（移動は　スペース、決定は　エンター）に　もどしました"));
    });
    s.write(ini); // said once: the file now holds keys that work
}

void TMain_form::applySwitchSettings(const input::SwitchSettings &s)
{
    methods->switches().setSettings(s);
    methods->pointer().setDwellTime(s.dwellTime);
    methods->pointer().setOn(s.dwell);
    menus.Dwell1->setChecked(s.dwell);
}

void TMain_form::readSettingsAtStart()
{
    const ProfileFile ini = settings();
    switch (ini.readInteger(QStringLiteral("入力方法"), QStringLiteral("番号"), 1)) {
    case 1: N11Click(); break;
    case 2: N12Click(); break;
    case 3: N13Click(); break;
    case 4: Switch1Click(); break;
    default: break; // the designed state, the arrow keys, stays; nothing is written
    }
    voices.Selection_voice = ini.readInteger(QStringLiteral("音声"), QStringLiteral("男性"), 1);
    voices.Decision_voice = ini.readInteger(QStringLiteral("音声"), QStringLiteral("女性"), 2);
    voices.namesToScreenReader = ini.readBool(QStringLiteral("読み"), QStringLiteral("スクリーンリーダー"), false);
    menus.ScreenReader1->setChecked(voices.namesToScreenReader);
    const bool inverted = ini.readBool(QStringLiteral("文字"), QStringLiteral("反転"), false);
    menus.I1->setChecked(inverted);
    Hyouji_edit->setInverted(inverted);
    int size = ini.readInteger(QStringLiteral("文字"), QStringLiteral("サイズ"), 32);
    if (size <= 0)
        size = 32; // a hand-written size of nothing would leave an unreadable display
    m_board->setDisplayPointSize(size);
    Kanji->readSettings(ini);
    Words->setSpeakOnly(ini.readBool(QStringLiteral("文字"), QStringLiteral("はなすだけ"), false));
    if (ini.readBool(QStringLiteral("文字"), QStringLiteral("よそく"), false))
        Words->setEnabled(true); // off: nothing of it is made, read or shown
    state.Chars_per_line = ini.readInteger(QStringLiteral("文字"), QStringLiteral("文字数"), 17);
    if (size == 26)
        menus.N18->setChecked(true);
    else if (size == 32)
        menus.N17->setChecked(true);
    else if (size == 48)
        menus.N16->setChecked(true);
}

void TMain_form::showCentred()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
    activateWindow();
    Key_table[keys::kRead]->setFocus(Qt::TabFocusReason);
}

void TMain_form::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TMain_form::FormResize()
{
    const int w = width();
    const int h = height();
    if (w == state.Last_width) {
        // A change of the height alone is undone.
        if (h != state.Last_height)
            resize(w, state.Last_height);
        return;
    }
    // The height follows the width in the designed proportions; everything is
    // placed from its designed geometry at the new scale.
    const int wantedHeight =
        static_cast<int>(std::nearbyint(double(w) * Board::kDesignedHeight / Board::kDesignedWidth));
    state.Last_width = w;
    state.Last_height = wantedHeight;
    m_board->applyScale(double(w) / Board::kDesignedWidth);
    if (h != wantedHeight)
        resize(w, wantedHeight);
}

void TMain_form::frameKey(KeyButton *key)
{
    m_board->setFrame(key);
    state.Framed_key = key ? key->Tag() : -1;
}

void TMain_form::unframe()
{
    // The frame is painted over; Framed_key keeps naming the key.
    m_board->setFrame(nullptr);
}

void TMain_form::MessageBeep()
{
    emit beeped();
    if (m_tonePlayer)
        m_tonePlayer();
}

void TMain_form::speak(KeyButton *key)
{
    if (input::isWordPlace(key->Tag())) {
        if (const QString name = Words->spokenName(key->Tag() - input::kFirstWord); !name.isEmpty())
            voices.sayName(name);
    } else if (voices.announceKey(key->Tag(), key->text())) {
        update();
    }
    frameKey(key);
}

void TMain_form::Button0Click()
{
    voices.say(announcements::forReading(Kanji->textToRead()), speech::Role::Decision);
}

void TMain_form::Words1Click() { Words->toggle(); }
void TMain_form::WordsForget1Click()
{
    voices.forgetUserTexts(); // the audio of what they wrote and heard, first: forget() may fail
    Words->forget();
}
void TMain_form::Phrases1Click() { Phrase_form->showModal(); }
void TMain_form::SpeakOnly1Click() { Words->toggleSpeakOnly(); }

void TMain_form::WordClick(int index)
{
    Words->choose(index);
}

void TMain_form::N11Click() { methods->select(input::MethodId::ArrowKeys); }
void TMain_form::N12Click() { methods->select(input::MethodId::Mouse); }
void TMain_form::N13Click() { methods->select(input::MethodId::Keypad); }
void TMain_form::Switch1Click() { methods->select(input::MethodId::Switch); }

void TMain_form::SwitchSetup1Click()
{
    Switch_form->showModal();
}

void TMain_form::Dwell1Click()
{
    methods->pointer().setOn(menus.Dwell1->isChecked());
    settings().writeBool(QStringLiteral("マウス"), QStringLiteral("とどまる"), menus.Dwell1->isChecked());
}

void TMain_form::Button60Click() { printing::printText(context(), m_board->displayPointSize()); }
void TMain_form::Print1Click() { Button60Click(); }

void TMain_form::N7Click()
{
    Sound_form->showModal();
}

void TMain_form::ScreenReader1Click()
{
    voices.namesToScreenReader = menus.ScreenReader1->isChecked();
    settings().writeBool(QStringLiteral("読み"), QStringLiteral("スクリーンリーダー"), voices.namesToScreenReader);
}

void TMain_form::TenKeyUp(int key, Qt::KeyboardModifiers modifiers)
{
    guarded([&] { methods->method().keyReleased(key, modifiers); });
}

void TMain_form::N6Click() { Mail_form->showModal(); }
void TMain_form::Send1Click() { mail::sendDiary(context()); }
void TMain_form::Button65Click() { Send1Click(); }

void TMain_form::Button59Click() { menus.Send1->setEnabled(diary::saveDated(context())); }
void TMain_form::Save1Click() { Button59Click(); }
void TMain_form::Exit1Click() { diary::saveAs(context()); }
void TMain_form::N2Click() { diary::openFile(context()); }
void TMain_form::Button61Click() { diary::endProgram(context()); }
void TMain_form::Exit2Click() { diary::endProgram(context()); }
void TMain_form::About1Click() { help::showVersion(*this); }

void TMain_form::ReadMeH1Click()
{
    // The inverted colours re-applied when "反転（&I）" is checked, the small
    // size chosen and written with "小さい" checked, then the read-me.
    if (menus.I1->isChecked())
        Hyouji_edit->setInverted(true);
    display::chooseSize(*this, display::kSmall);
    menus.N18->setChecked(true);
    help::showReadMe(context());
}
void TMain_form::I1Click() { display::invert(*this); }
void TMain_form::N16Click() { display::chooseSize(*this, display::kLarge); }
void TMain_form::N17Click() { display::chooseSize(*this, display::kStandard); }
void TMain_form::N18Click() { display::chooseSize(*this, display::kSmall); }
void TMain_form::N3Click() { practice::showFirstKeys(*this, practice::kOnlyA); }
void TMain_form::N4Click() { practice::showFirstKeys(*this, practice::kAToKa); }
void TMain_form::N5Click() { practice::showFirstKeys(*this, practice::kAToSa); }
void TMain_form::N8Click() { practice::showFirstKeys(*this, practice::kAToNa); }
void TMain_form::N9Click() { practice::showFirstKeys(*this, practice::kAll); }

void TMain_form::ButtonClick(KeyButton *key) { composition::pressEntryKey(*this, key->Tag(), key->text()); }
void TMain_form::Hyouji_editSelectionChange() { composition::selectionChanged(*this); }
void TMain_form::Hyouji_editMouseUp() { composition::mouseReleased(*this); }
void TMain_form::Button57Click() { editing::deleteOne(*this); }
void TMain_form::Button58Click() { editing::newLine(*this); }
void TMain_form::BitBtn1Click() { editing::clearAll(*this); }
void TMain_form::all_dellClick() { editing::clearText(*this); }
void TMain_form::A1Click() { BitBtn1Click(); }
void TMain_form::Undo1Click() { editing::undo(*this); }
void TMain_form::Copy1Click() { editing::copyAll(*this); }
void TMain_form::N19Click() { editing::paste(*this); }
