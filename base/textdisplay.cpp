#include "base/textdisplay.h"

#include "base/fonts.h"

#include <QElapsedTimer>
#include <QFontInfo>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QWheelEvent>

TextDisplay::TextDisplay(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setFocusPolicy(Qt::ClickFocus);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A 2-pixel sunken border (a styled panel would be drawn 1 pixel wide).
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // The copy key and menu item copy the whole text; the display has no
    // menu of its own, and Ctrl + wheel does not change its text size
    // behind the display settings' back.
    setContextMenuPolicy(Qt::NoContextMenu);
    viewport()->setCursor(Qt::IBeamCursor);
    setCursorWidth(0); // the window draws its own insertion bar
    // The window keeps its own one-level undo; the document keeps none.
    setUndoRedoEnabled(false);
    // The view may go on below the last line: the new-line command moves it
    // two lines on to give the next line room, and an insertion point that
    // leaves the view is brought back to its middle rather than its edge.
    setCenterOnScroll(true);
    // The bar follows the insertion point and the text under it.
    connect(this, &QPlainTextEdit::cursorPositionChanged, viewport(), qOverload<>(&QWidget::update));
    connect(this, &QPlainTextEdit::selectionChanged, viewport(), qOverload<>(&QWidget::update));
    m_layoutAhead.setSingleShot(true);
    m_layoutAhead.setInterval(0);
    connect(&m_layoutAhead, &QTimer::timeout, this, &TextDisplay::layOutAhead);
    // A change leaves the blocks before it as they were.
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int from, int, int) { layOutAheadFrom(document()->findBlock(from).blockNumber()); });
    QFont font(QString::fromUtf8(fonts::kFixed));
    font.setBold(true);
    font.setPointSize(32);
    setFont(font);
    setInverted(false);
}

void TextDisplay::setInverted(bool inverted)
{
    m_inverted = inverted;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, inverted ? Qt::black : Qt::white);
    pal.setColor(QPalette::Text, inverted ? Qt::white : QColor(0, 0, 255));
    setPalette(pal);
}

int TextDisplay::characterHeight() const
{
    return QFontInfo(font()).pixelSize();
}

void TextDisplay::setBarShown(bool shown)
{
    if (m_barShown == shown)
        return;
    m_barShown = shown;
    viewport()->update();
}

QRect TextDisplay::barRect() const
{
    QTextCursor at = textCursor();
    at.setPosition(at.selectionStart());
    const QRect line = cursorRect(at);
    const int h = characterHeight();
    return QRect(line.left(), line.top() + qMax(0, (line.height() - h) / 2), kBarWidth, h);
}

void TextDisplay::paintEvent(QPaintEvent *event)
{
    QPlainTextEdit::paintEvent(event);
    if (!m_barShown)
        return;
    QPainter p(viewport());
    p.fillRect(barRect(), palette().color(QPalette::Text));
}

void TextDisplay::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    emit mouseReleased();
}

void TextDisplay::wheelEvent(QWheelEvent *event)
{
    // The wheel only scrolls; with Ctrl held the text edit would zoom.
    if (event->modifiers() & Qt::ControlModifier)
        QAbstractScrollArea::wheelEvent(event);
    else
        QPlainTextEdit::wheelEvent(event);
}

void TextDisplay::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    layOutAheadFrom(0); // a new width drops every block's layout
}

void TextDisplay::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        layOutAheadFrom(0);
}

void TextDisplay::layOutAheadFrom(int blockNumber)
{
    if (m_layoutAhead.isActive())
        blockNumber = qMin(blockNumber, m_layoutResume);
    m_layoutResume = qMax(0, blockNumber);
    m_layoutAhead.start();
}

void TextDisplay::layOutAhead()
{
    const auto *layout = qobject_cast<const QPlainTextDocumentLayout *>(document()->documentLayout());
    if (!layout)
        return;
    constexpr qint64 kSliceNs = 4'000'000; // well inside one frame
    QElapsedTimer slice;
    slice.start();
    QTextBlock b = document()->findBlockByNumber(m_layoutResume);
    for (; b.isValid(); b = b.next()) {
        if (b.layout()->lineCount() == 0)
            layout->ensureBlockLayout(b);
        if (slice.nsecsElapsed() >= kSliceNs && b.next().isValid()) {
            m_layoutResume = b.next().blockNumber();
            m_layoutAhead.start();
            return;
        }
    }
}
