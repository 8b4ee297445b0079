#pragma once
#include <QString>
#include <functional>
#include <vector>

#include "base/places.h"
#include "base/profilefile.h"

class KeyButton;
class QWidget;
class TextDisplay;
namespace speech {
class Voices;
}

// What a feature of the window is given instead of the window: the pieces
// it uses, each a small interface the window fills in. Nothing here knows
// the window.
namespace context {

// The text being written and its insertion point, with the bookkeeping every
// change of it shares.
class Text
{
public:
    virtual TextDisplay &display() const = 0;
    // Before a change: the undo snapshot and the line of the insertion point.
    virtual void beginEdit() = 0;
    // After it: where the insertion bar stands now.
    virtual void recordBar() = 0;
};

// The board's keys by Tag, the key reached, its frame, and the scan's frame
// round a group of places.
class Keys
{
public:
    // A key by Tag, or a place beside the board (input::kFirstOffBoard on:
    // the word places); nullptr for a place the window does not have.
    virtual KeyButton *key(int tag) const = 0;
    // The key that has the keyboard focus, nullptr when none has.
    virtual KeyButton *focusedKey() const = 0;
    // A key that already has the focus is said and framed again.
    virtual void announce(KeyButton *key) = 0;
    // The one blue frame: round a key, or none; unframe() paints it over and
    // the key stays the one last framed.
    virtual void frameKey(KeyButton *key) = 0;
    virtual void unframe() = 0;
    virtual KeyButton *framedKey() const = 0;
    // The scan's red and black frame round a board column (0 "よむ", 1–13
    // the columns from the right, 14 the row of word places), or none (-1).
    virtual void setColumnFrame(int column) = 0;
    // The same frame round each of these keys (a group that is no column),
    // or none (empty).
    virtual void setKeyFrames(const std::vector<int> &tags) = 0;
    // A key's caption height in pixels at the designed size.
    virtual void setCaptionHeight(int tag, int designedPixels) = 0;
    // The operation of a key run as its menu item runs it.
    virtual void operate(int tag) = 0;
    // The short warning tone; it never cuts the speech.
    virtual void beep() = 0;
};

// Where files live, the settings file, and how errors and notices reach the
// user: boxes over the window, and the guard every handler runs in.
class Window
{
public:
    virtual QWidget *widget() const = 0;
    virtual places::Places places() const = 0;
    ProfileFile settings() const { return ProfileFile(places().settingsFile); }
    virtual void notice(const QString &text) = 0;
    // Runs an operation; an AppError it throws ends it and is shown in the
    // error box, and the program carries on.
    virtual void guarded(const std::function<void()> &operation) = 0;
    // A text the user wrote is now on disk in this file (the window lets
    // what learns from the user's writing take it).
    virtual void textSaved(const QString &path, const QString &text) = 0;
};

// Everything together, as the window hands it to each feature.
struct Context
{
    Text &text;
    Keys &keys;
    speech::Voices &speech;
    Window &window;
};

} // namespace context
