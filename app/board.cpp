#include "app/board.h"

#include "base/textdisplay.h"
#include "base/fonts.h"
#include "base/keybutton.h"
#include "base/pencilpicture.h"
#include "speech/announcements.h"

#include <QAccessibleWidget>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace {

constexpr int kDisplayHeight = 288; // at the designed size, without the word row

int scaled(int value, double scale)
{
    return static_cast<int>(std::nearbyint(value * scale)); // nearest, ties to even
}

// What assistive tools see of a key: its caption (on one line) as its name,
// what it says when reached as its description, and the Press action; a key
// without a caption is not there for them.
class KeyAccessible : public QAccessibleWidget
{
public:
    explicit KeyAccessible(KeyButton *key) : QAccessibleWidget(key, QAccessible::Button) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) // a word place is named by its whole word, which its caption may cut short
            return key()->accessibleName().isEmpty() ? key()->text().remove(u'\n') : key()->accessibleName();
        if (t == QAccessible::Description)
            return blank() ? QString() : announcements::forKey(key()->Tag(), key()->text(), false).remove(u'\n');
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = s.invisible || blank();
        s.disabled = s.disabled || blank();
        return s;
    }
    QStringList actionNames() const override { return blank() ? QStringList() : QStringList{pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action == pressAction() && !blank())
            key()->click();
    }

private:
    KeyButton *key() const { return static_cast<KeyButton *>(widget()); }
    bool blank() const { return key()->text().trimmed().isEmpty(); }
};

QAccessibleInterface *keyInterface(const QString &className, QObject *object)
{
    return className == QLatin1String("KeyButton") ? new KeyAccessible(static_cast<KeyButton *>(object)) : nullptr;
}

} // namespace

template <typename W>
W *Board::place(W *widget, const QRect &designed, int pixelFont)
{
    m_placed.push_back({widget, designed, pixelFont});
    return widget;
}

Board::Board(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Board"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 0));
    setPalette(pal);
    setFont(fonts::proportional(12, false));
    static const bool keysDescribed = (QAccessible::installFactory(keyInterface), true);
    Q_UNUSED(keysDescribed);

    auto *panel = place(new QWidget(this), QRect(40, 5, 786, 296));
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setAutoFillBackground(true);
    QPalette green = panel->palette();
    green.setColor(QPalette::Window, QColor(0, 255, 0));
    panel->setPalette(green);

    m_display = place(new TextDisplay(this), QRect(45, 10, 776, kDisplayHeight));
    m_display->setObjectName(QStringLiteral("Hyouji_edit"));
    m_display->setAccessibleName(QStringLiteral("ぶんしょう"));

    auto *bevel = place(new QFrame(this), QRect(15, 306, 837, 285));
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel->setLineWidth(2);

    auto *label = place(new QLabel(QStringLiteral("mipotan"), this), QRect(792, 565, 33, 13), 13);
    label->setObjectName(QStringLiteral("Label1"));
    // The mark must fit its designed 33 pixels: the stand-in face is wider.
    QFont mark = fonts::proportional(13, false);
    mark.setStretch(QFont::Condensed);
    mark.setLetterSpacing(QFont::PercentageSpacing, 88);
    label->setFont(mark);

    m_picture = place(new QLabel(this), QRect(795, 515, 30, 51));
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setPixmap(QPixmap::fromImage(pencilPicture()));
    m_picture->setScaledContents(true);

    for (const KeySpec &designed : keys::table()) {
        auto *key = place(new KeyButton(designed.tag, designed.caption, this), designed.geometry, designed.charHeight);
        key->setObjectName(QString::fromLatin1(designed.controlName));
        key->setFont(fonts::proportional(designed.charHeight, true));
        key->setCursor(designed.tag == keys::kClearAll ? Qt::ArrowCursor : Qt::PointingHandCursor);
        m_keys[designed.tag] = key;
    }
    // Tab visits the keys in Tag order, from "よむ" round to "おわり" and back.
    for (int t = 0; t + 1 < keys::kCount; ++t)
        setTabOrder(m_keys[t], m_keys[t + 1]);

    for (int i = 0; i < keys::kWordPlaces; ++i) {
        auto *word = place(new KeyButton(keys::kCount + i, QString(), this), keys::wordPlaceGeometry(i),
                           keys::kWordCaptionHeight);
        word->setObjectName(QStringLiteral("Word%1").arg(i + 1));
        word->setFont(fonts::proportional(keys::kWordCaptionHeight, true));
        word->setCursor(Qt::PointingHandCursor);
        word->hide();
        m_words[i] = word;
    }

    applyScale(1.0);
}

void Board::applyScale(double scale)
{
    m_scale = scale;
    for (const Placed &p : m_placed) {
        const QRect &d = p.designed;
        p.widget->setGeometry(scaled(d.x(), scale), scaled(d.y(), scale), scaled(d.width(), scale),
                              scaled(d.height(), scale));
        if (p.designedPixelFont > 0) {
            QFont f = p.widget->font();
            f.setPixelSize(std::max(1, scaled(p.designedPixelFont, scale)));
            p.widget->setFont(f);
        }
    }
    setDisplayPointSize(m_displayPoints);
    update();
}

void Board::setWordRowShown(bool shown)
{
    if (m_wordRow == shown)
        return;
    m_wordRow = shown;
    for (Placed &p : m_placed)
        if (p.widget == m_display)
            p.designed.setHeight(shown ? keys::kDisplayHeightWithWords : kDisplayHeight);
    for (KeyButton *place : m_words)
        place->setVisible(shown);
    applyScale(m_scale);
}

void Board::setCaptionHeight(int tag, int designedPixels)
{
    QWidget *key = tag < keys::kCount ? static_cast<QWidget *>(m_keys[tag])
                   : tag < keys::kCount + keys::kWordPlaces ? m_words[tag - keys::kCount]
                                                             : nullptr;
    for (Placed &p : m_placed) {
        if (p.widget == key) {
            p.designedPixelFont = designedPixels;
            QFont f = p.widget->font();
            f.setPixelSize(std::max(1, scaled(designedPixels, m_scale)));
            p.widget->setFont(f);
        }
    }
}

void Board::setDisplayPointSize(int points)
{
    m_displayPoints = points;
    QFont f = m_display->font();
    f.setPointSize(std::max(1, scaled(points, m_scale)));
    m_display->setFont(f);
}

QRect Board::frameRect(const QRect &k)
{
    // From (left − 2, top − 2) to (left + width + 2, top + height + 2), the
    // far corner outside the rectangle, so that the frame stands as far from
    // the key on the right and bottom as on the left and top.
    return QRect(k.left() - 2, k.top() - 2, k.width() + 4, k.height() + 4);
}

void Board::setFrame(KeyButton *key)
{
    m_lastFramed = key ? key->Tag() : -1;
    paintFrame(key);
}

void Board::hideFrame()
{
    paintFrame(nullptr);
}

void Board::paintFrame(KeyButton *key)
{
    if (m_framed == key)
        return;
    if (m_framed)
        update(frameRect(m_framed->geometry()).adjusted(-3, -3, 3, 3));
    m_framed = key;
    if (m_framed)
        update(frameRect(m_framed->geometry()).adjusted(-3, -3, 3, 3));
}

namespace {

// The column frame's pen: as wide as the key frame's at the designed size,
// wider as the window grows.
int columnPen(double scale)
{
    return std::max(4, scaled(4, scale));
}

} // namespace

QRect Board::columnFrameRect() const
{
    if (m_column < 0)
        return {};
    QRect keys;
    if (m_column == kWordRowFrame) {
        for (const KeyButton *place : m_words)
            keys |= place->geometry();
    } else {
        const int first = m_column == 0 ? 0 : 5 * m_column - 4;
        const int last = m_column == 0 ? 0 : 5 * m_column;
        for (int t = first; t <= last; ++t)
            keys |= m_keys[t]->geometry();
    }
    const int half = columnPen(m_scale) / 2;
    return keys.adjusted(-half, -half, half, half);
}

QRect Board::keyFrameRect(int tag) const
{
    const int half = columnPen(m_scale) / 2;
    return m_keys[tag]->geometry().adjusted(-half, -half, half, half);
}

void Board::setKeyFrames(const std::vector<int> &tags)
{
    std::vector<int> onBoard;
    for (int t : tags)
        if (t >= 0 && t < keys::kCount)
            onBoard.push_back(t);
    if (onBoard == m_keyFrames)
        return;
    const int margin = columnPen(m_scale);
    for (const std::vector<int> *frames : {&m_keyFrames, &onBoard})
        for (int t : *frames)
            update(keyFrameRect(t).adjusted(-margin, -margin, margin, margin));
    m_keyFrames = std::move(onBoard);
}

void Board::setColumnFrame(int group)
{
    if (group < 0 || group > kWordRowFrame || (group == kWordRowFrame && !m_wordRow))
        group = -1;
    if (m_column == group)
        return;
    const int margin = columnPen(m_scale);
    update(columnFrameRect().adjusted(-margin, -margin, margin, margin));
    m_column = group;
    update(columnFrameRect().adjusted(-margin, -margin, margin, margin));
}

void Board::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter p(this);
    p.setBrush(Qt::NoBrush);
    std::vector<QRect> scanFrames;
    if (m_column >= 0)
        scanFrames.push_back(columnFrameRect());
    for (int t : m_keyFrames)
        scanFrames.push_back(keyFrameRect(t));
    const int width = columnPen(m_scale);
    for (const QRect &r : scanFrames) {
        p.setPen(QPen(QColor(255, 0, 0), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawRect(r);
        QPen dashes(QColor(0, 0, 0), width, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        dashes.setDashPattern({2, 2});
        p.setPen(dashes);
        p.drawRect(r);
    }
    if (!m_framed || !m_framed->isVisible())
        return;
    p.setPen(QPen(QColor(0, 0, 255), 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawRect(frameRect(m_framed->geometry()));
}
