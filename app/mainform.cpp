#include "app/mainform.h"

#include "app/practicemode.h"
#include "base/apperror.h"
#include "base/messageboxes.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "diary/diarystorage.h"
#include "diary/help.h"
#include "diary/printing.h"
#include "input/call.h"
#include "input/dwellinput.h"
#include "input/keyfilter.h"
#include "input/methods.h"
#include "input/switchform.h"
#include "input/switchinput.h"
#include "kanji/kanjiwriting.h"
#include "mail/callform.h"
#include "mail/callsend.h"
#include "mail/mailform.h"
#include "mail/sending.h"
#include "prediction/adaptation.h"
#include "prediction/phraseform.h"
#include "prediction/scanorders.h"
#include "prediction/usage.h"
#include "prediction/wordrow.h"
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

namespace {

// The kana model the program carries: a few milliseconds at start.
std::shared_ptr<const prediction::KanaModel> kanaModel()
{
    const QString path = prediction::modelFile(places::installedPrefix(QCoreApplication::applicationFilePath()),
                                               QCoreApplication::applicationDirPath());
    QString why;
    auto model = std::make_shared<const prediction::KanaModel>(prediction::KanaModel::load(path, &why));
    if (model->isEmpty()) // the scan keeps the board's order
        qWarning("kana model %s not read: %s", qPrintable(path), qPrintable(why));
    return model;
}

} // namespace

TMain_form::TMain_form(DirectSS *speech, QWidget *parent)
    : QMainWindow(parent), m_board(new Board(this)), m_text(*m_board->display()), m_voices(*speech),
      m_composer(m_text, *this, m_voices), m_menus(buildMenus(menuBar())), m_startFolder(QDir::currentPath())
{
    setObjectName(QStringLiteral("Main_form"));
    setWindowTitle(QStringLiteral("もじぽっと帳sapi4"));
    speech->setParent(this);
    setCentralWidget(m_board);
    const bool newUser = !QFileInfo::exists(settings().path()); // before anything writes it
    setMinimumSize(Board::kDesignedWidth / 5, Board::kDesignedHeight / 5);
    resize(Board::kDesignedWidth, Board::kDesignedHeight);
    m_lastWidth = width();
    m_lastHeight = height();

    createFeatures();
    connectKeys();
    connectMenus();
    connectFeatures();
    new input::KeyFilter(*this, *m_methods, *this); // held keys, switches, the walk, key releases
    places::createFolders(places());
    loadPrediction();
    // The switch settings first: switch input started from the settings
    // file keeps the order it had.
    guarded([this] { readSwitchSettingsAtStart(); });
    guarded([this] { readSettingsAtStart(); });
    guarded([&] { readCallSettingsAtStart(newUser); });
    createDialogs();
}

TMain_form::~TMain_form() = default;

void TMain_form::createFeatures()
{
    m_kanji = new kanji::Writing(context(), this);
    m_orders = std::make_unique<prediction::ScanOrders>(kanaModel(), Board::kWordRowFrame);
    m_words = new prediction::WordRow(context(), *m_orders, *m_kanji, this);
    m_methods = new input::Methods(context(), *m_orders, this);
}

void TMain_form::createDialogs()
{
    m_mailForm = new TMail_form(*this);
    m_soundForm = new TSound_form(context());
    m_switchForm = new TSwitch_form(context(), [this] { return m_methods->switchSettings(); });
    m_phraseForm = new prediction::PhraseForm(context(), *m_words);
    m_callForm = new CallForm(context(), m_methods->call());
    connect(m_switchForm, &TSwitch_form::settingsChosen, this, &TMain_form::applySwitchSettings);
    m_switchForm->setPaceSource([this] { return m_methods->switches().pace(); });
    connect(m_switchForm, &TSwitch_form::paceReset, m_methods, &input::Methods::resetSwitchPace);
}

KeyButton *TMain_form::key(int tag) const
{
    if (tag >= 0 && tag < keys::kCount)
        return m_board->keys()[tag];
    if (input::isWordPlace(tag))
        return m_board->wordPlaces()[tag - input::kFirstWord];
    return nullptr;
}

places::Places TMain_form::places() const
{
    return places::forThisProgram(m_startFolder);
}

void TMain_form::notice(const QString &text)
{
    boxes::notice(this, text);
}

void TMain_form::connectKeys()
{
    for (KeyButton *key : m_board->keys()) {
        connect(key, &KeyButton::focusEntered, this, [this](KeyButton *k) { guarded([&] { announce(k); }); });
        connect(key, &QPushButton::clicked, this, [this, key] { pressKey(key); });
        connect(key, &KeyButton::pointerMoved, this, [this](KeyButton *k) { m_methods->method().pointerMoved(k->Tag()); });
        connect(key, &KeyButton::pointerLeft, this, [this](KeyButton *k) { m_methods->method().pointerLeft(k->Tag()); });
    }
    // The word places, as keys; a place that holds nothing is as if the
    // pointer were off the board.
    for (KeyButton *place : m_board->wordPlaces()) {
        connect(place, &KeyButton::focusEntered, this, [this](KeyButton *k) { guarded([&] { announce(k); }); });
        connect(place, &QPushButton::clicked, this,
                [this, place] { guarded([&] { chooseWord(place->Tag() - input::kFirstWord); }); });
        connect(place, &KeyButton::pointerMoved, this, [this](KeyButton *k) {
            if (k->text().isEmpty())
                m_methods->method().pointerLeft(k->Tag());
            else
                m_methods->method().pointerMoved(k->Tag());
        });
        connect(place, &KeyButton::pointerLeft, this, [this](KeyButton *k) { m_methods->method().pointerLeft(k->Tag()); });
    }
    // The display reports every change of its selection or insertion point,
    // and mouse releases over it.
    TextDisplay *shown = &display();
    for (auto changed : {&QPlainTextEdit::cursorPositionChanged, &QPlainTextEdit::selectionChanged})
        connect(shown, changed, this, [shown] { composition::selectionChanged(*shown); });
    connect(shown, &TextDisplay::mouseReleased, this, [this] { composition::mouseReleased(m_text); });
}

void TMain_form::connectMenus()
{
    const auto on = [this](QAction *action, std::function<void()> handler) {
        connect(action, &QAction::triggered, this, [this, handler] { guarded(handler); });
    };
    const MenuItems &m = m_menus;
    on(m.open, [this] { openFile(); });
    on(m.save, [this] { saveDiary(); });
    on(m.saveAs, [this] { saveAs(); });
    on(m.print, [this] { printText(); });
    on(m.quit, [this] { endProgram(); });
    on(m.deleteOne, [this] { deleteOne(); });
    on(m.clearAll, [this] { clearAll(); });
    on(m.undo, [this] { undo(); });
    on(m.copy, [this] { copyAll(); });
    on(m.paste, [this] { paste(); });
    on(m.readAloud, [this] { readAloud(); });
    on(m.voiceSettings, [this] { m_soundForm->showModal(); });
    on(m.screenReader, [this] { toggleScreenReader(); });
    on(m.send, [this] { sendMail(); });
    on(m.mailSettings, [this] { m_mailForm->showModal(); });
    on(m.callSettings, [this] { m_callForm->showModal(); });
    on(m.call, [this] { startCall(); });
    const std::pair<QAction *, int> levels[] = {{m.practiceA, practice::kOnlyA},
                                                {m.practiceAToKa, practice::kAToKa},
                                                {m.practiceAToSa, practice::kAToSa},
                                                {m.practiceAToNa, practice::kAToNa},
                                                {m.practiceAll, practice::kAll}};
    for (const auto &[action, shown] : levels)
        on(action, [this, shown = shown] { showPracticeKeys(shown); });
    const std::pair<QAction *, input::MethodId> methods[] = {{m.arrowKeys, input::MethodId::ArrowKeys},
                                                             {m.mouse, input::MethodId::Mouse},
                                                             {m.keypad, input::MethodId::Keypad},
                                                             {m.switchInput, input::MethodId::Switch}};
    for (const auto &[action, id] : methods)
        on(action, [this, id = id] { chooseMethod(id); });
    on(m.dwell, [this] { toggleDwell(); });
    on(m.switchSettings, [this] { m_switchForm->showModal(); });
    on(m.inverted, [this] { invertColours(); });
    for (const auto &[action, size] : sizeItems())
        on(action, [this, size = size] { chooseSize(size); });
    on(m.kanji, [this] { m_kanji->toggle(); });
    on(m.kanjiForget, [this] { m_kanji->forget(); });
    on(m.kanjiWords, [this] { m_kanji->toggleWordsOffered(); });
    const std::pair<QAction *, kanji::EngineChoice> engines[] = {{m.anthy, kanji::EngineChoice::Anthy},
                                                                 {m.mozc, kanji::EngineChoice::Mozc},
                                                                 {m.automatic, kanji::EngineChoice::Automatic}};
    for (const auto &[action, choice] : engines) {
        on(action, [this, choice = choice] { m_kanji->chooseEngine(choice); });
        connect(m_kanji, &kanji::Writing::engineChosen, action,
                [action = action, choice = choice](kanji::EngineChoice chosen) { action->setChecked(chosen == choice); });
    }
    on(m.words, [this] { m_words->toggle(); });
    on(m.wordsForget, [this] {
        m_voices.forgetUserTexts(); // the audio of what they wrote and heard, first: forget() may fail
        m_words->forget();
    });
    on(m.phrases, [this] { m_phraseForm->showModal(); });
    on(m.speakOnly, [this] { m_words->toggleSpeakOnly(); });
    on(m.readMe, [this] { showReadMe(); });
    on(m.about, [this] { help::showVersion(*this); });
}

void TMain_form::connectFeatures()
{
    // The menu's ticks follow the features, and the board the row of words.
    connect(m_kanji, &kanji::Writing::enabledChanged, m_menus.kanji, &QAction::setChecked);
    connect(m_kanji, &kanji::Writing::wordsOfferedChanged, m_menus.kanjiWords, &QAction::setChecked);
    connect(m_kanji, &kanji::Writing::wordsOfferedChanged, m_words, &prediction::WordRow::refresh);
    connect(m_words, &prediction::WordRow::enabledChanged, this, [this](bool on) {
        m_menus.words->setChecked(on);
        if (!on && focusedKey() && input::isWordPlace(focusedKey()->Tag()))
            key(keys::kRead)->setFocus(Qt::OtherFocusReason);
        m_board->setWordRowShown(on);
        m_methods->setWordRowShown(on);
    });
    connect(m_words, &prediction::WordRow::speakOnlyChanged, m_menus.speakOnly, &QAction::setChecked);
    connect(m_words, &prediction::WordRow::wrote, this, [this](int lastKey) { m_composer.lastKey = lastKey; });
    connect(m_kanji, &kanji::Writing::learnt, m_words, &prediction::WordRow::conversionCommitted);
    connect(&m_methods->call(), &input::Call::started, this, &TMain_form::callForHelp);
    connect(m_methods, &input::Methods::selected, this, [this](input::MethodId id) {
        m_menus.arrowKeys->setChecked(id == input::MethodId::ArrowKeys);
        m_menus.mouse->setChecked(id == input::MethodId::Mouse);
        m_menus.keypad->setChecked(id == input::MethodId::Keypad);
        m_menus.switchInput->setChecked(id == input::MethodId::Switch);
        m_menus.practice->setEnabled(id != input::MethodId::Keypad);
    });
}

void TMain_form::pressKey(KeyButton *key)
{
    guarded([&] {
        if (m_kanji->beforeKey(key->Tag()))
            return; // "へんかん", "かくてい", or "けす" putting back the hiragana
        if (key->Tag() >= 1 && key->Tag() <= keys::kSpace)
            return m_composer.press(key->Tag(), key->text()); // the 56 entry keys share one operation
        operate(key->Tag());
    });
}

void TMain_form::operate(int tag)
{
    switch (tag) {
    case keys::kRead: return readAloud();
    case keys::kPrint: return printText();
    case keys::kSave: return saveDiary();
    case keys::kEnd: return endProgram();
    case keys::kNewLine: return newLine();
    case keys::kDelete: return deleteOne();
    case keys::kClearAll: return clearAll();
    case keys::kMail: return sendMail();
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

prediction::Adaptation &TMain_form::adaptation() const { return m_orders->adaptation(); }

void TMain_form::loadPrediction()
{
    // The diaries are read on a thread of the adaptation's own, and the
    // window never waits for them. What the user asked to be forgotten
    // ("よそくの学習を忘れる") stays forgotten at later starts.
    prediction::Adaptation &a = m_orders->adaptation();
    a.setNotBefore(prediction::Usage::readFile(prediction::Usage::defaultPath()).forgotten());
    a.readFolder(places().diaryFolder);
}

void TMain_form::textSaved(const QString &path, const QString &text)
{
    m_orders->adaptation().takeText(path, text);
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
    tellOnceShown(QStringLiteral("いどうと けっていが おなじ スイッチだったので、はじめの スイッチに もどしました"),
                  QStringLiteral("スイッチの設定で　移動と決定が　おなじ　スイッチだったので、"
                                 "はじめの　スイッチ（移動は　スペース、決定は　エンター）に　もどしました"));
    s.write(ini); // said once: the file now holds keys that work
}

void TMain_form::tellOnceShown(const QString &spoken, const QString &shown)
{
    QTimer::singleShot(0, this, [this, spoken, shown] {
        m_voices.say(spoken, speech::Role::Decision);
        notice(shown);
    });
}

void TMain_form::readCallSettingsAtStart(bool newUser)
{
    // A new user has the call with a 3 s hold; a file from before it, none.
    const ProfileFile ini = settings();
    if (newUser)
        input::CallSettings::recordForNewUser(ini);
    QStringList problems;
    const input::CallSettings s = input::CallSettings::read(ini, &problems);
    m_methods->call().setSettings(s);
    if (problems.isEmpty())
        return;
    tellOnceShown(input::callProblemSpoken(problems), input::callProblemMessage(problems));
    // Said once: the hold and the mail switch are stored as they are used.
    // The helper's command stays as written (it may lie on a drive not yet
    // mounted) and is said at each start until it runs.
    if (problems.contains(input::schema::kCallHold.name))
        ini.write(input::schema::kCallHold, s.hold);
    if (problems.contains(input::schema::kCallMail.name))
        ini.write(input::schema::kCallMail, s.mail);
}

void TMain_form::applySwitchSettings(const input::SwitchSettings &s)
{
    m_methods->applySwitchSettings(s);
    m_menus.dwell->setChecked(s.dwell);
}

void TMain_form::readSettingsAtStart()
{
    const ProfileFile ini = settings();
    const int method = ini.read(input::schema::kMethod);
    if (method >= 1 && method <= 4) // else the designed state, the arrow keys, stays; nothing is written
        chooseMethod(input::MethodId(method - 1));
    m_voices.setVoice(speech::Role::Selection, ini.read(speech::schema::kSelectionVoice));
    m_voices.setVoice(speech::Role::Decision, ini.read(speech::schema::kDecisionVoice));
    m_voices.setNamesToScreenReader(ini.read(speech::schema::kScreenReader));
    m_menus.screenReader->setChecked(m_voices.namesToScreenReader());
    const bool inverted = ini.read(display::schema::kInverted);
    m_menus.inverted->setChecked(inverted);
    display().setInverted(inverted);
    int size = ini.read(display::schema::kPoints);
    if (size <= 0) // a hand-written size of nothing would leave an unreadable display
        size = display::schema::kPoints.standard;
    m_board->setDisplayPointSize(size);
    m_kanji->readSettings(ini);
    m_words->setSpeakOnly(ini.read(prediction::schema::kSpeakOnly));
    if (ini.read(prediction::schema::kRowShown))
        m_words->setEnabled(true); // off: nothing of it is made, read or shown
    m_board->setCharsPerLine(ini.read(display::schema::kCharsPerLine));
    for (const auto &[item, chosen] : sizeItems())
        if (size == chosen.points)
            item->setChecked(true);
    m_voices.use(speech::Role::Selection);
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
    key(keys::kRead)->setFocus(Qt::TabFocusReason);
}

void TMain_form::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    keepProportions();
}

void TMain_form::keepProportions()
{
    const int w = width();
    const int h = height();
    if (w == m_lastWidth) {
        if (h != m_lastHeight)
            resize(w, m_lastHeight);
        return;
    }
    // Everything is placed from its designed geometry at the new scale.
    const int wantedHeight =
        static_cast<int>(std::nearbyint(double(w) * Board::kDesignedHeight / Board::kDesignedWidth));
    m_lastWidth = w;
    m_lastHeight = wantedHeight;
    m_board->applyScale(double(w) / Board::kDesignedWidth);
    if (h != wantedHeight)
        resize(w, wantedHeight);
}

void TMain_form::beep()
{
    emit beeped();
    if (m_tonePlayer)
        m_tonePlayer();
}

void TMain_form::announce(KeyButton *key)
{
    if (input::isWordPlace(key->Tag())) {
        const int place = key->Tag() - input::kFirstWord;
        if (const QString name = m_words->spokenName(place); !name.isEmpty())
            m_voices.sayName(name, m_words->nameRole(place));
    } else if (m_voices.announceKey(key->Tag(), key->text())) {
        update();
    }
    frameKey(key);
}

std::array<std::pair<QAction *, display::Size>, 3> TMain_form::sizeItems() const
{
    return {{{m_menus.largeSize, display::kLarge},
             {m_menus.standardSize, display::kStandard},
             {m_menus.smallSize, display::kSmall}}};
}

std::optional<display::Size> TMain_form::checkedSize() const
{
    for (const auto &[item, size] : sizeItems())
        if (item->isChecked())
            return size;
    return std::nullopt;
}

void TMain_form::readAloud()
{
    m_voices.say(announcements::forReading(m_kanji->textToRead()), speech::Role::Decision);
}

void TMain_form::deleteOne() { editing::deleteOne(m_text, m_voices); }
void TMain_form::newLine() { editing::newLine(m_text, m_voices, checkedSize()); }
void TMain_form::clearAll() { editing::clearAll(m_text, m_voices); }
void TMain_form::undo() { editing::undo(m_text); }
void TMain_form::copyAll() { editing::copyAll(display()); }
void TMain_form::paste() { editing::paste(display()); }
void TMain_form::saveDiary() { m_menus.send->setEnabled(diary::saveDated(context())); }
void TMain_form::saveAs() { diary::saveAs(context()); }
void TMain_form::openFile() { diary::openFile(context()); }
void TMain_form::printText() { printing::printText(context(), m_board->displayPointSize()); }
void TMain_form::sendMail() { mail::sendDiary(context()); }
void TMain_form::callForHelp(const QDateTime &at) { mail::reachOut(context(), m_methods->call(), at); }
void TMain_form::startCall() { m_methods->call().start(); }
void TMain_form::endProgram() { diary::endProgram(context()); }
void TMain_form::chooseMethod(input::MethodId id) { m_methods->select(id); }
void TMain_form::chooseWord(int index) { m_words->choose(index); }
void TMain_form::showPracticeKeys(int shownKeys) { practice::showFirstKeys(*this, *m_methods, shownKeys); }
void TMain_form::invertColours() { display::invert(display(), *this, m_menus.inverted->isChecked()); }
void TMain_form::chooseSize(display::Size size) { display::chooseSize(*m_board, *this, size); }

void TMain_form::showReadMe()
{
    // The inverted colours re-applied when "反転（&I）" is checked, the small
    // size chosen and written with "小さい" checked, then the read-me.
    if (m_menus.inverted->isChecked())
        display().setInverted(true);
    chooseSize(display::kSmall);
    m_menus.smallSize->setChecked(true);
    help::showReadMe(context());
}

void TMain_form::toggleDwell()
{
    m_methods->setDwell(m_menus.dwell->isChecked());
    settings().write(input::schema::kDwell, m_menus.dwell->isChecked());
}

void TMain_form::toggleScreenReader()
{
    m_voices.setNamesToScreenReader(m_menus.screenReader->isChecked());
    settings().write(speech::schema::kScreenReader, m_voices.namesToScreenReader());
}
