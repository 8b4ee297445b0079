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
    int Tag() const { return m_tag; }

signals:
    void focusEntered(KeyButton *key);
    void pointerMoved(KeyButton *key);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_tag;
};
