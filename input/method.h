#pragma once
#include <Qt>

class QKeyEvent;
class QMouseEvent;

namespace input {

// The input methods the menu offers; the settings file keeps the number plus one.
enum class MethodId { ArrowKeys = 0, Mouse = 1, Keypad = 2, Switch = 3 };

// One way of reaching places and pressing them: events come in from the
// window's key filter and from the board, places are reached and pressed
// through the keys the method was given. A method takes only the events it
// uses; the others do nothing.
class Method
{
public:
    virtual ~Method() = default;
    // The method was chosen (true) or left (false).
    virtual void setActive(bool) {}
    // A key press or release, or a mouse button, meant for the main window
    // (repeats already dropped): true when the method took it.
    virtual bool keyEvent(const QKeyEvent *) { return false; }
    virtual bool mouseEvent(const QMouseEvent *) { return false; }
    // Every key release that was not taken: the keypad's and the digits' work.
    virtual void keyReleased(int /*qtKey*/, Qt::KeyboardModifiers) {}
    // The pointer moved over a place, or left it.
    virtual void pointerMoved(int /*place*/) {}
    virtual void pointerLeft(int /*place*/) {}
    // The arrow keys reached a place.
    virtual void reached(int /*place*/) {}
};

} // namespace input
