#include "base/messageboxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace boxes {

namespace {
Handler &handler()
{
    static Handler h;
    return h;
}

const QString kTitle = QStringLiteral("もじぽっと帳");
} // namespace

void setHandler(Handler h)
{
    handler() = std::move(h);
}

QString errorText(const QString &message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void notice(QWidget *parent, const QString &text)
{
    if (handler()) {
        handler()(Kind::Notice, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok, parent);
    box.setEscapeButton(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

void error(QWidget *parent, const QString &message)
{
    const QString text = errorText(message);
    if (handler()) {
        handler()(Kind::Error, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, kTitle, text, QMessageBox::Ok, parent);
    box.setEscapeButton(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

} // namespace boxes
