#pragma once
#include <QObject>
#include <memory>

#include "base/context.h"
#include "input/arrowwalk.h"
#include "input/method.h"
#include "input/multitap.h"

namespace input {

class DwellInput;
class SwitchInput;

// The input methods of the window, the one in use, and what every method
// shares: the walk of the arrow keys and the places that can be reached.
class Methods : public QObject
{
    Q_OBJECT

public:
    Methods(const context::Context &ctx, QObject *parent);
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
    // One move of the arrow keys' walk from Scan_pos, in every method: the
    // place reached gets the focus (and is announced, unless it had it),
    // then Scan_pos names it.
    void walk(Move move);
    int Scan_pos = 0; // the place treated as current by the walk and the keypad

    SwitchInput &switches() const { return *m_switch; }
    DwellInput &pointer() const { return *m_dwell; }
    MultiTap multiTap; // the keypad's place in its groups
    // The row of word places is shown: the keypad's "*" goes round it.
    bool wordRow = false;

signals:
    // A method was chosen: the menu's ticks follow.
    void selected(input::MethodId id);

private:
    friend class ArrowKeys;
    friend class Keypad;
    context::Context m_ctx;
    MethodId m_active = MethodId::ArrowKeys;
    std::unique_ptr<Method> m_arrows, m_keypad;
    SwitchInput *m_switch = nullptr;
    DwellInput *m_dwell = nullptr;
};

} // namespace input
