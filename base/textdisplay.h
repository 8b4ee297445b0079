#pragma once
#include <QPlainTextEdit>
#include <QTimer>

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

    // The display font's character height in pixels (43 at 32 points).
    int characterHeight() const;

    // The window's own insertion bar: a solid bar 5 pixels wide and as high
    // as the font's characters, painted over the text at the insertion
    // position (the start of the selection, where the next kana goes). The
    // display's own blinking caret is never drawn.
    void setBarShown(bool shown);
    bool barShown() const { return m_barShown; }
    // Where the bar stands, in viewport pixels (also while it is hidden).
    QRect barRect() const;
    static constexpr int kBarWidth = 5;
    // What the window keeps of the bar: where it stood when last recorded
    // (after an edit or a click), whether it shows at the next move of the
    // insertion point (a click into the display turns this on, a kana entry
    // and a new line off), and its steps at the font of the last kana entry or
    // size chosen.
    struct Bar
    {
        QPoint recorded;
        bool follows = false;
        int charStep = 0;
        int lineStep = 0;
    };
    Bar &bar() { return m_bar; }
    const Bar &bar() const { return m_bar; }

signals:
    // A mouse button was released over the display.
    void mouseReleased();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // The display lays out only the blocks it shows. While the program is
    // idle the rest is laid out a few milliseconds at a time, so that an
    // edit on a long text finds its display lines ready instead of laying
    // out the whole text at the next key press.
    void layOutAheadFrom(int blockNumber);
    void layOutAhead();

    bool m_inverted = false;
    bool m_barShown = false;
    Bar m_bar;
    QTimer m_layoutAhead;
    int m_layoutResume = 0; // block number to go on from (blocks before it are laid out)
};
