#include "input/scanaccess.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QWidget>

namespace input {

namespace {

// One place of the scan as assistive tools see it: a child of the window,
// named as the place is said.
class PlaceInterface : public QAccessibleObject
{
public:
    PlaceInterface(QObject *place, const ScanAccess &access) : QAccessibleObject(place), m_access(access) {}
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_access.window()); }
    QWindow *window() const override { return m_access.window()->windowHandle(); }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::Grouping; }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? object()->objectName() : QString(); }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.focusable = true;
        s.focused = m_access.highlighted() == object()->objectName();
        return s;
    }
    QRect rect() const override { return m_access.window()->frameGeometry(); }

private:
    const ScanAccess &m_access;
};

} // namespace

ScanAccess::ScanAccess(QWidget *window) : QObject(window), m_window(window) {}

void ScanAccess::highlight(const QString &name)
{
    QObject *&place = m_places[name];
    if (!place) {
        place = new QObject(this);
        place->setObjectName(name);
        QAccessible::registerAccessibleInterface(new PlaceInterface(place, *this));
    }
    m_current = place;
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent focus(place, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

void ScanAccess::clear()
{
    m_current = nullptr;
}

QString ScanAccess::highlighted() const
{
    return m_current ? m_current->objectName() : QString();
}

} // namespace input
