#pragma once
#include <QObject>
#include <memory>

#include "base/context.h"
#include "input/arrowwalk.h"
#include "input/method.h"
#include "input/multitap.h"

namespace input {

class Call;
class DwellInput;
class OrderSource;
class SwitchInput;
struct SwitchSettings;

// The input methods of the window, the one in use, and what every method
// shares: the walk of the arrow keys and the places that can be reached.
class Methods : public QObject
{
    Q_OBJECT

public:
    // Switch input's groups come from `orders` (input::OrderSource).
    Methods(const context::Context &ctx, OrderSource &orders, QObject *parent);
    ~Methods() override;

    // Chooses the method in use: the others stop, the pointer method takes
    // the focus frame away (until the next focus change), and the choice is
    // written to the settings file as the last step, with switch input's
    // order and names when the file lacks them (a refused write throws
    // after the method took effect).
    void select(MethodId id);
    MethodId active() const { return m_active; }
    Method &method() const;

    // Which places can take the focus now.
    Reachable reachable() const;
    // One move of the arrow keys' walk from scanPos(), in every method: the
    // place reached gets the focus (and is announced, unless it had it),
    // and the walk goes on from it.
    void walk(Move move);
    // The place treated as current by the walk and the keypad, and a place
    // the walk goes on from (the scan highlighted it, or the key it stood
    // on was hidden).
    int scanPos() const { return m_scanPos; }
    void walkFrom(int place) { m_scanPos = place; }
    // The keypad's place in its groups.
    const MultiTap &multiTap() const { return m_multiTap; }
    // The row of word places is shown: the keypad's "*" goes round it.
    void setWordRowShown(bool shown) { m_wordRow = shown; }
    bool wordRowShown() const { return m_wordRow; }

    // The switch and dwell settings chosen (switch input's, the dwell time
    // and whether dwell is on), and dwell switched alone (its menu item).
    void applySwitchSettings(const SwitchSettings &settings);
    const SwitchSettings &switchSettings() const;
    void setDwell(bool on);
    // The helper asked for the learned pace to begin again (SwitchInput::resetPace).
    void resetSwitchPace();
    // A switch press answered one of the program's boxes (SwitchInput::answeredBox).
    void switchAnsweredBox();
    // Switch input and dwell as they are, to be watched (their signals, the scan).
    const SwitchInput &switches() const { return *m_switch; }
    const DwellInput &pointer() const { return *m_dwell; }
    // The call for help, which every method starts by holding its switch.
    Call &call() const { return *m_call; }

signals:
    // A method was chosen: the menu's ticks follow.
    void selected(input::MethodId id);

private:
    context::Context m_ctx;
    int m_scanPos = 0;
    MultiTap m_multiTap;
    bool m_wordRow = false;
    MethodId m_active = MethodId::ArrowKeys;
    std::unique_ptr<Method> m_arrows, m_keypad;
    SwitchInput *m_switch = nullptr;
    DwellInput *m_dwell = nullptr;
    Call *m_call = nullptr;
};

} // namespace input
