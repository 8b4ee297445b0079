#pragma once
#include <QHash>
#include <QObject>
#include <QString>

class QWidget;

namespace input {

// What assistive tools (a screen reader) see of the switch scan: the group
// or the "もどる" step highlighted is an object of its own, named as it is
// said, and takes the accessible focus while it is highlighted; while
// nothing is highlighted nothing claims the focus.
class ScanAccess : public QObject
{
    Q_OBJECT

public:
    explicit ScanAccess(QWidget *window);
    // The place with this name is highlighted (its focus event is sent).
    void highlight(const QString &name);
    // Nothing is highlighted, or a key is (the key's own focus tells it).
    void clear();
    // The name of the place highlighted, empty when none is.
    QString highlighted() const;
    QWidget *window() const { return m_window; }

private:
    QWidget *m_window;
    QHash<QString, QObject *> m_places;
    QObject *m_current = nullptr;
};

} // namespace input
