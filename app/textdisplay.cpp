#include "app/textdisplay.h"

#include "app/fonts.h"

TextDisplay::TextDisplay(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setFocusPolicy(Qt::ClickFocus);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(2);
    viewport()->setCursor(Qt::IBeamCursor);
    setCursorWidth(0); // the window draws its own insertion bar
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
