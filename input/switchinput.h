#pragma once
#include "base/context.h"
#include "input/method.h"
#include "input/scanaccess.h"
#include "input/switchpace.h"
#include "input/switchpress.h"
#include "input/switchscan.h"
#include "input/switchsettings.h"

#include <QObject>
#include <QTimer>

// Switch input on the main window: the scan of input/switchscan shown on
// the board (the column frame, the key focus and its blue frame), its
// names spoken, its timer, and the switches taken from the keyboard and
// the mouse before anything else sees them.
//
// The automatic scan's timer runs from the end of the highlighted place's
// announcement, so that no step cuts it; while anything else is spoken
// (reading aloud, a message after a press) the scan waits for its end.
namespace input {

// The scan's places of the call for help beside the board (after the word
// places): "やすむ" rests the scan until the next press, "よぶ" starts the call.
constexpr int kRestPlace = kFirstOffBoard + 6;
constexpr int kCallPlace = kFirstOffBoard + 7;
static_assert(kFirstWord + kWordCount <= kRestPlace && kCallPlace < kPlaceCount);

// The steady clock the switches and dwell count in, in milliseconds.
qint64 nowMs();
// A box, a dialog or a menu is open, or the call for help sounds: the board
// does not take switches or dwell.
bool boardCovered();

class Methods;

class SwitchInput : public QObject, public Method
{
    Q_OBJECT

public:
    // The scan's groups come from `orders`, asked each time the scan starts
    // again (after a press once it has taken effect) and told the settings
    // now and whenever they change.
    SwitchInput(const context::Context &ctx, Methods &methods, OrderSource &orders);
    ~SwitchInput() override;

    void setSettings(const SwitchSettings &settings);
    const SwitchSettings &settings() const { return m_settings; }

    // The pace learned from the presses ("はやさ" = 1), kept in `pacePath`
    // (owner-only; a missing or damaged file: learning begins afresh).
    void loadPace(const QString &pacePath);
    const SwitchPace &pace() const { return m_pace; }
    // The helper asked for it: the presses are forgotten; learning begins
    // again from the 間隔 in effect.
    void resetPace();

    // Switch input chosen (scanning begins once the speech has ended: the
    // greeting at start) or left (the scan and its frame are gone).
    void setActive(bool active) override;
    bool isActive() const { return m_active; }

    // A key press or release meant for the main window (repeats already
    // dropped); true when it was a switch and is taken.
    bool keyEvent(const QKeyEvent *event) override;
    // A mouse button press, double click or release on the main window;
    // true when the button is a switch and is taken.
    bool mouseEvent(const QMouseEvent *event) override;
    // The arrow keys reached a key: the scan goes on from its column.
    void reached(int tag) override;
    // A switch press answered one of the program's boxes: presses within
    // the ignore time after it are ignored, as after any counted press.
    void answeredBox();

    const SwitchScan &scan() const { return m_scan; }
    // "やすむ" chosen: nothing is said or highlighted until the next press.
    bool resting() const { return m_resting; }
    // What is said when a group is highlighted: its short name with short
    // names on (unless both voices are one), else its name.
    QString spokenName(const ScanGroup &group) const;
    // What the scan may offer now: shown keys with a caption.
    Reachable scannable() const;

signals:
    // A place was shown; `due` is when the timer wanted it (speech::Voices::now()
    // nanoseconds), -1 when it followed a press or the speech's end.
    void placeShown(const input::ScanPlace &place, qint64 due);

private:
    // The order of `orders` with "やすむ" and "よぶ" at its end while the call
    // for help is in use.
    class WithCallPlaces : public OrderSource
    {
    public:
        WithCallPlaces(const SwitchInput &input, OrderSource &orders) : m_input(input), m_orders(orders) {}
        ScanOrder next(const Reachable &scannable) const override;
        void setSettings(const SwitchSettings &s) override { m_orders.setSettings(s); }

    private:
        const SwitchInput &m_input;
        OrderSource &m_orders;
    };
    bool callPlaces() const;
    void rest();
    void counted(SwitchRole role);
    void apply(const ScanStep &step);
    // The scan's frame round a group of the order (-1: none).
    void frameGroup(int group);
    void show(const ScanStep &step);
    void showWaiting();
    void speechEnded();
    void timerFired();
    void holdFired();
    bool switched(SwitchRole role, bool down);
    void armHold();
    // A counted press of the automatic scan: a late one is taken for the
    // place just left; the press is measured for the pace.
    ScanStep selectTimed();
    // `late`: the press came just after the highlight left its place (it
    // counts from that place, and as a press taken back).
    void measure(const ScanPlace &chosen, const ScanStep &step, bool late);
    void learned();
    void savePace();
    void keepSoon();

    context::Context m_ctx;
    Methods &m_methods;
    SwitchSettings m_settings;
    WithCallPlaces m_orders;
    SwitchScan m_scan;
    ScanAccess m_access;
    PressFilter m_filter;
    QTimer m_stepTimer;
    QTimer m_holdTimer;
    bool m_active = false;
    bool m_waiting = false;    // the scan waits for the speech to end before it starts again
    int m_pressed = -1;        // the Tag pressed before the wait, -1: the scan's first start
    bool m_first = false;      // the place shown is the first of its level
    bool m_armed = false;
    bool m_resting = false;      // the place's announcement has ended: the timer counts
    qint64 m_due = -1;

    // The pace: when the place shown appeared and when its interval began
    // (its name said and any first wait), nowMs(); the same for the place
    // the timer just left; the last measured press.
    SwitchPace m_pace;
    QString m_pacePath;
    qint64 m_shownAt = -1;
    qint64 m_intervalFrom = -1;
    qint64 m_leftShownAt = -1;
    qint64 m_leftIntervalFrom = -1;
    qint64 m_lastPress = -1;
    int m_unsaved = 0; // presses measured since the pace was last kept
    int m_savedInterval = -1;
    bool m_keepQueued = false;
};

} // namespace input
