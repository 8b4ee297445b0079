#pragma once
#include <QPushButton>

// One key of the board. It carries its number (Tag); reaching it (the
// keyboard focus arriving) and pointer movement over it are reported to the
// window, and Enter or keypad Enter press it like Space does.
class KeyButton : public QPushButton
{
    Q_OBJECT

public:
    KeyButton(int tag, const QString &caption, QWidget *parent);
    ~KeyButton() override;
    int Tag() const { return m_tag; }

signals:
    // The keyboard focus moved onto this key. The window becoming active
    // again (after a dialog, a menu or another program) hands the focus back
    // to the key that had it: that is not a move and is not reported.
    void focusEntered(KeyButton *key);
    void pointerMoved(KeyButton *key);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_tag;
    static KeyButton *s_lastEntered;
};
