#pragma once
#include <QRect>
#include <QWidget>
#include <array>
#include <vector>

#include "base/keytable.h"

class TextDisplay;
class KeyButton;
class QLabel;

// The window's client surface: the green panel with the display, the bevel
// round the board, the author's mark, the picture and the 66 keys, each at
// its designed place. Everything is placed from its designed geometry times
// the current scale, so any series of resizes ending at a width gives the
// layout of resizing to it once. The focus frame is part of this surface.
class Board : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kDesignedWidth = 878;  // outer size of the window as designed
    static constexpr int kDesignedHeight = 641;

    explicit Board(QWidget *parent);

    TextDisplay *display() const { return m_display; }
    QLabel *picture() const { return m_picture; }
    const std::array<KeyButton *, keys::kCount> &keys() const { return m_keys; }

    // The row of word places between the display and the board ("ことばのよそく"),
    // places kFirstWord on, numbered from the left. Hidden until shown; the
    // display gives up the row's height while it is shown.
    const std::array<KeyButton *, keys::kWordPlaces> &wordPlaces() const { return m_words; }
    void setWordRowShown(bool shown);
    bool wordRowShown() const { return m_wordRow; }
    // The scan's frame round the whole row (setColumnFrame).
    static constexpr int kWordRowFrame = 14;

    // Places every control for the window width scale (1.0 as designed).
    void applyScale(double scale);
    double scale() const { return m_scale; }
    // The display's font size in points before scaling (from the settings
    // or the size menu).
    void setDisplayPointSize(int points);
    int displayPointSize() const { return m_displayPoints; }
    // The characters a display line holds at that size ("文字数" in the settings).
    void setCharsPerLine(int chars) { m_charsPerLine = chars; }
    int charsPerLine() const { return m_charsPerLine; }

    // A key's caption height in pixels at the designed size (a caption
    // given to a key later may need a smaller one to fit).
    void setCaptionHeight(int tag, int designedPixels);

    // The one blue frame: round the given key, or none; lastFramed() names
    // the key (-1 none). hideFrame() paints the frame over and leaves the name.
    void setFrame(KeyButton *key);
    void hideFrame();
    KeyButton *framedKey() const { return m_framed; }
    int lastFramed() const { return m_lastFramed; }
    // The frame's rectangle for a key (2 pixels outside it, 4-pixel pen).
    static QRect frameRect(const QRect &keyBounds);

    // The switch scan's column frame, round the keys of a group (0 "よむ",
    // 1–13 the columns from the right, kWordRowFrame the word row), or none (-1): red and black in
    // turns, so that it stands apart from the blue key frame and shows on
    // any colour, inverted colours too.
    void setColumnFrame(int group);
    int columnFrame() const { return m_column; }
    QRect columnFrameRect() const;
    // The same frame round each of several keys (a scan group that is not a
    // column), or none (empty); Tags off the board are left out.
    void setKeyFrames(const std::vector<int> &tags);
    const std::vector<int> &keyFrames() const { return m_keyFrames; }
    QRect keyFrameRect(int tag) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Placed
    {
        QWidget *widget;
        QRect designed;
        int designedPixelFont; // 0: no font of its own to scale
    };
    void paintFrame(KeyButton *key);
    template <typename W>
    W *place(W *widget, const QRect &designed, int pixelFont = 0);

    std::vector<Placed> m_placed;
    std::array<KeyButton *, keys::kCount> m_keys{};
    std::array<KeyButton *, keys::kWordPlaces> m_words{};
    bool m_wordRow = false;
    TextDisplay *m_display = nullptr;
    QLabel *m_picture = nullptr;
    KeyButton *m_framed = nullptr;
    int m_lastFramed = -1;
    int m_column = -1;
    std::vector<int> m_keyFrames;
    double m_scale = 1.0;
    int m_displayPoints = 32;
    int m_charsPerLine = 17;
};
