#pragma once
#include <QPlainTextEdit>

// The large text display: plain text, read-only for the keyboard, wrapping at
// its width, vertical scroll bar, focus by click only (Tab and the arrow-key
// walk never reach it), bold fixed-pitch font, blue on white or inverted.
class TextDisplay : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TextDisplay(QWidget *parent);

    void setInverted(bool inverted);
    bool inverted() const { return m_inverted; }

private:
    bool m_inverted = false;
};
