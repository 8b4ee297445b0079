#include "base/messageboxes.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace boxes {

namespace {
Handler &handler()
{
    static Handler h;
    return h;
}

const QString kTitle = QStringLiteral("もじぽっと帳");

void show(Kind kind, QWidget *parent, const QString &text)
{
    if (handler())
        return handler()(kind, text);
    QMessageBox box(kind == Kind::Error ? QMessageBox::Critical : QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok,
                    parent);
    box.setEscapeButton(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}
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
    show(Kind::Notice, parent, text);
}

void error(QWidget *parent, const QString &message)
{
    show(Kind::Error, parent, errorText(message));
}

void centre(QWidget *dialog)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = dialog->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        dialog->move(r.topLeft());
    }
}

QHBoxLayout *okAndCancel(QWidget *dialog, QPushButton *&ok, QPushButton *&cancel)
{
    ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("Ok_btn"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("キャンセル"), dialog);
    cancel->setObjectName(QStringLiteral("Esc_btn"));
    cancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}

} // namespace boxes
