#include "input/switchform.h"

#include "base/messageboxes.h"
#include "base/apperror.h"
#include "input/pacechart.h"
#include "speech/voices.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <utility>

using input::SwitchSettings;

namespace {

const QString kCatchPrompt = QStringLiteral("スイッチをおしてください");

QSpinBox *spin(QWidget *parent, const char *name, input::Range range, const QString &suffix, int step = 50)
{
    auto *s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(range.low, range.high);
    s->setSingleStep(step);
    s->setSuffix(suffix);
    s->setAccelerated(true);
    return s;
}

} // namespace

TSwitch_form::TSwitch_form(const context::Context &ctx, std::function<SwitchSettings()> current)
    : QDialog(ctx.window.widget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx),
      m_current(std::move(current))
{
    setObjectName(QStringLiteral("Switch_form"));
    setWindowTitle(QStringLiteral("スイッチの設定"));
    setModal(true);
    QFont f = font();
    f.setPixelSize(18);
    setFont(f);

    Style_box = new QComboBox(this);
    Style_box->setObjectName(QStringLiteral("Style_box"));
    Style_box->addItems({QStringLiteral("スイッチひとつ（自動で動く）"), QStringLiteral("スイッチふたつ（移動と決定）")});
    const auto switchRow = [this](const char *name, QPushButton *&catcher, QPushButton *&reset, int which) {
        catcher = new QPushButton(this);
        catcher->setObjectName(QString::fromLatin1(name));
        catcher->setAutoDefault(true); // Enter on it starts the catch
        reset = new QPushButton(QStringLiteral("標準にもどす"), this);
        reset->setObjectName(QString::fromLatin1(name).replace(QStringLiteral("_btn"), QStringLiteral("Reset_btn")));
        reset->setAutoDefault(true);
        connect(catcher, &QPushButton::clicked, this, [this, which] { startCatching(which); });
        connect(reset, &QPushButton::clicked, this, [this, which] {
            m_switches[which] = input::kDefaultSwitch;
            showNames();
        });
        auto *row = new QHBoxLayout;
        row->addWidget(catcher, 1);
        row->addWidget(reset);
        return row;
    };
    const QString ms = QStringLiteral(" ミリ秒");
    Interval_spin = spin(this, "Interval_spin", SwitchSettings::kInterval, ms, 100);
    FirstWait_spin = spin(this, "FirstWait_spin", SwitchSettings::kFirstWait, ms, 100);
    Loops_spin = spin(this, "Loops_spin", SwitchSettings::kLoops, QStringLiteral(" 回"), 1);
    Hold_spin = spin(this, "Hold_spin", SwitchSettings::kHold, ms);
    Ignore_spin = spin(this, "Ignore_spin", SwitchSettings::kIgnore, ms);
    After_box = new QComboBox(this);
    After_box->setObjectName(QStringLiteral("After_box"));
    After_box->addItems({QStringLiteral("最初からはじめる（並び１は「よむ」から）"), QStringLiteral("押したキーの行からはじめる")});
    Order_box = new QComboBox(this);
    Order_box->setObjectName(QStringLiteral("Order_box"));
    Order_box->addItems({QStringLiteral("1：ボードの順（「よむ」から）"),
                         QStringLiteral("2：「よそく」の５つを先に、次に行をボードの順"),
                         QStringLiteral("3：行もキーも、次に使いそうな順")});
    Names_box = new QComboBox(this);
    Names_box->setObjectName(QStringLiteral("Names_box"));
    Names_box->addItems({QStringLiteral("長い名前（かぎょう、さぎょう…）"),
                         QStringLiteral("短い名前（か、さ…を決定の声で）")});
    Dwell_spin = spin(this, "Dwell_spin", SwitchSettings::kDwell, ms, 100);
    Pace_box = new QComboBox(this);
    Pace_box->setObjectName(QStringLiteral("Pace_box"));
    Pace_box->addItems({QStringLiteral("自動（おす　はやさに　あわせる）"), QStringLiteral("手動（間隔の　まま）")});
    Late_box = new QComboBox(this);
    Late_box->setObjectName(QStringLiteral("Late_box"));
    Late_box->addItems({QStringLiteral("すぐあとの　おしは　まえの　ところ"), QStringLiteral("つぎの　ところ（いままで　どおり）")});
    PaceFigures_label = new QLabel(this);
    PaceFigures_label->setObjectName(QStringLiteral("PaceFigures_label"));
    PaceFigures_label->setWordWrap(true);
    Pace_chart = new PaceChart(this);
    PaceReset_btn = new QPushButton(QStringLiteral("はやさを　もとにもどす"), this);
    PaceReset_btn->setObjectName(QStringLiteral("PaceReset_btn"));
    PaceReset_btn->setAutoDefault(true);
    connect(PaceReset_btn, &QPushButton::clicked, this, [this] {
        // Learning begins again from the standard times once OK is pressed.
        m_resetPace = true;
        Interval_spin->setValue(SwitchSettings::kInterval.standard);
        FirstWait_spin->setValue(SwitchSettings::kFirstWait.standard);
        input::SwitchPace fresh = m_pace ? m_pace() : input::SwitchPace();
        fresh.reset(Interval_spin->value()); // the days stay
        showPace(fresh);
    });

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("方式(&S)"), Style_box);
    auto *moveRow = switchRow("Move_btn", Move_btn, MoveReset_btn, 0);
    auto *selectRow = switchRow("Select_btn", Select_btn, SelectReset_btn, 1);
    form->addRow(QStringLiteral("移動のスイッチ"), moveRow);
    form->addRow(QStringLiteral("決定のスイッチ"), selectRow);
    form->addRow(QStringLiteral("間隔(&I)"), Interval_spin);
    form->addRow(QStringLiteral("最初の待ち(&F)"), FirstWait_spin);
    form->addRow(QStringLiteral("止まるまでの回数(&L)"), Loops_spin);
    form->addRow(QStringLiteral("押す長さ(&H)"), Hold_spin);
    form->addRow(QStringLiteral("受け付けない時間(&G)"), Ignore_spin);
    form->addRow(QStringLiteral("選んだあと(&A)"), After_box);
    form->addRow(QStringLiteral("並び(&O)"), Order_box);
    form->addRow(QStringLiteral("行の名前(&N)"), Names_box);
    form->addRow(QStringLiteral("マウスでとどまる時間(&D)"), Dwell_spin);
    // The pace beside the times, so that the dialog stays within a small screen.
    auto *paceForm = new QFormLayout;
    paceForm->addRow(QStringLiteral("はやさ(&P)"), Pace_box);
    paceForm->addRow(QStringLiteral("おそい　おし(&T)"), Late_box);
    auto *pace = new QVBoxLayout;
    pace->addLayout(paceForm);
    pace->addWidget(new QLabel(QStringLiteral("おぼえた　はやさ"), this));
    pace->addWidget(PaceFigures_label);
    pace->addWidget(new QLabel(QStringLiteral("14日の　きろく（１分の　文字と　100回の　なおし）"), this));
    pace->addWidget(Pace_chart);
    pace->addWidget(PaceReset_btn);
    pace->addStretch();
    auto *columns = new QHBoxLayout;
    columns->addLayout(form);
    columns->addSpacing(16);
    columns->addLayout(pace);

    QHBoxLayout *buttons = boxes::okAndCancel(this, Ok_btn, Esc_btn);
    auto *all = new QVBoxLayout(this);
    all->addLayout(columns);
    all->addLayout(buttons);

    connect(Style_box, &QComboBox::currentIndexChanged, this, [this] { showNames(); });
    connect(Ok_btn, &QPushButton::clicked, this, [this] { m_ctx.window.guarded([this] { Ok_btnClick(); }); });
    connect(Esc_btn, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, [this] { stopCatching(); });
}

QString TSwitch_form::switchName(int value, bool move, input::SwitchStyle style)
{
    switch (value) {
    case input::kMouseLeft: return QStringLiteral("マウスの左ボタン");
    case input::kMouseRight: return QStringLiteral("マウスの右ボタン");
    case input::kMouseMiddle: return QStringLiteral("マウスの中ボタン");
    case input::kDefaultSwitch:
        if (style == input::SwitchStyle::OneSwitch)
            return move ? QStringLiteral("（使わない）") : QStringLiteral("標準：スペースかエンター");
        return move ? QStringLiteral("標準：スペース") : QStringLiteral("標準：エンター");
    default: break;
    }
    const QString key = QKeySequence(value & ~input::kKeypad).toString(QKeySequence::NativeText);
    return value & input::kKeypad ? QStringLiteral("テンキーの ") + key : key;
}

void TSwitch_form::showNames()
{
    const auto style = input::SwitchStyle(Style_box->currentIndex() + 1);
    const bool one = style == input::SwitchStyle::OneSwitch;
    // One switch uses the select switch alone.
    Move_btn->setEnabled(!one);
    MoveReset_btn->setEnabled(!one);
    for (int which : {0, 1}) {
        QPushButton *b = which == 0 ? Move_btn : Select_btn;
        b->setText(m_catching == which ? kCatchPrompt : switchName(m_switches[which], which == 0, style));
        b->setAccessibleName(b->text());
    }
}

void TSwitch_form::fill(const SwitchSettings &s)
{
    stopCatching();
    m_shown = s;
    Style_box->setCurrentIndex(s.style == input::SwitchStyle::TwoSwitches ? 1 : 0);
    m_switches[0] = s.moveSwitch;
    m_switches[1] = s.selectSwitch;
    Interval_spin->setValue(s.interval);
    FirstWait_spin->setValue(s.firstWait);
    Loops_spin->setValue(s.loops);
    Hold_spin->setValue(s.hold);
    Ignore_spin->setValue(s.ignore);
    After_box->setCurrentIndex(s.restartAtColumn ? 1 : 0);
    Order_box->setCurrentIndex(s.order - 1);
    Names_box->setCurrentIndex(s.shortNames ? 1 : 0);
    Dwell_spin->setValue(s.dwellTime);
    Pace_box->setCurrentIndex(s.learnPace ? 0 : 1);
    Late_box->setCurrentIndex(s.latePress ? 0 : 1);
    m_resetPace = false;
    showNames();
}

QString TSwitch_form::paceFigures(const input::SwitchPace &pace, int interval)
{
    const QString learned = QStringLiteral("間隔　%1 ミリ秒").arg(interval);
    if (pace.presses() < input::SwitchPace::kEnough)
        return learned + QStringLiteral("　（おした　かずが　まだ　すくないので、おす　はやさは　これから）");
    return learned + QStringLiteral("　ふだんの　おす　はやさ　%1 ミリ秒　おそいとき　%2 ミリ秒").arg(pace.usual()).arg(pace.slowest());
}

void TSwitch_form::showPace(const input::SwitchPace &pace)
{
    PaceFigures_label->setText(paceFigures(pace, Interval_spin->value()));
    Pace_chart->setDays(pace.chart(QDate::currentDate()));
}

SwitchSettings TSwitch_form::chosen() const
{
    SwitchSettings s = m_shown; // the dwell tick is the menu's
    s.style = input::SwitchStyle(Style_box->currentIndex() + 1);
    s.moveSwitch = m_switches[0];
    s.selectSwitch = m_switches[1];
    s.interval = Interval_spin->value();
    s.firstWait = FirstWait_spin->value();
    s.loops = Loops_spin->value();
    s.hold = Hold_spin->value();
    s.ignore = Ignore_spin->value();
    s.restartAtColumn = After_box->currentIndex() == 1;
    s.order = Order_box->currentIndex() + 1;
    s.shortNames = Names_box->currentIndex() == 1;
    s.dwellTime = Dwell_spin->value();
    s.learnPace = Pace_box->currentIndex() == 0;
    s.latePress = Late_box->currentIndex() == 0;
    return s;
}

void TSwitch_form::showModal()
{
    fill(m_current());
    showPace(m_pace ? m_pace() : input::SwitchPace());
    adjustSize();
    boxes::centre(this);
    Style_box->setFocus();
    exec();
}

void TSwitch_form::Ok_btnClick()
{
    const SwitchSettings s = chosen();
    if (input::switchesClash(s))
        throw AppError(QStringLiteral("移動と決定に　おなじ　スイッチは　つかえません"));
    // In effect at once, even if the file cannot be written.
    emit settingsChosen(s);
    if (std::exchange(m_resetPace, false))
        emit paceReset();
    s.write(m_ctx.window.settings());
    accept();
}

void TSwitch_form::startCatching(int which)
{
    m_catching = which;
    showNames();
    qApp->installEventFilter(this);
    // Said as well as shown: the user may not see the dialog.
    m_ctx.speech.say(kCatchPrompt, speech::Role::Decision, speech::When::Cutting);
}

void TSwitch_form::stopCatching()
{
    if (m_catching < 0)
        return;
    m_catching = -1;
    qApp->removeEventFilter(this);
    showNames();
}

bool TSwitch_form::eventFilter(QObject *watched, QEvent *event)
{
    // The first key or mouse button pressed in this dialog is the switch;
    // Escape leaves the switch as it was.
    const auto *w = qobject_cast<QWidget *>(watched);
    if (m_catching < 0 || !w || w->window() != this)
        return false;
    int value = input::kDefaultSwitch;
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->isAutoRepeat())
            return true;
        if (key->key() == Qt::Key_Escape) {
            stopCatching();
            return true;
        }
        value = key->key() | (key->modifiers() & Qt::KeypadModifier ? input::kKeypad : 0);
    } else if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        value = input::buttonSwitch(static_cast<QMouseEvent *>(event)->button());
        if (value == input::kDefaultSwitch)
            return true;
    } else {
        return false;
    }
    const int before = m_switches[m_catching];
    m_switches[m_catching] = value;
    if (input::switchesClash(chosen())) {
        // The other switch's own key or button: both could not work.
        m_switches[m_catching] = before;
        (m_catching == 0 ? Move_btn : Select_btn)->setText(QStringLiteral("ほかのスイッチとおなじです。べつのものをおしてください"));
        return true;
    }
    stopCatching();
    return true;
}
