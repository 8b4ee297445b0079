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
    // How far resting the pointer has come towards pressing the key (0 to
    // 1): a bar filling the key's bottom edge from the left; 0 draws nothing.
    void setDwellProgress(double progress);
    double dwellProgress() const { return m_progress; }

signals:
    // The keyboard focus moved onto this key. The window becoming active
    // again (after a dialog, a menu or another program) hands the focus back
    // to the key that had it: that is not a move and is not reported.
    void focusEntered(KeyButton *key);
    void pointerMoved(KeyButton *key);
    void pointerLeft(KeyButton *key);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int m_tag;
    double m_progress = 0;
    static KeyButton *s_lastEntered;
};
