#include "mail/smail/settingswindow.h"

#include "base/apperror.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace smail {

SettingsWindow::SettingsWindow(QString settingsPath, QWidget *parent)
    : QDialog(parent), m_path(std::move(settingsPath))
{
    setWindowTitle(QStringLiteral("smail 詳細設定"));
    QFont base = font();
    base.setPixelSize(16);
    setFont(base);

    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setRange(0, 65535);
    m_port->setSpecialValueText(QStringLiteral("自動"));

    m_security = new QComboBox(this);
    m_security->setObjectName(QStringLiteral("security"));
    m_security->addItem(QStringLiteral("自動（あれば STARTTLS、465 番は SSL/TLS）"),
                        int(mail::Security::Auto));
    m_security->addItem(QStringLiteral("STARTTLS（必ず暗号化）"), int(mail::Security::StartTls));
    m_security->addItem(QStringLiteral("SSL/TLS"), int(mail::Security::Tls));
    m_security->addItem(QStringLiteral("暗号化しない"), int(mail::Security::None));

    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("user"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("ポート番号"), m_port);
    form->addRow(QStringLiteral("暗号化"), m_security);
    auto *clearNote = new QLabel(QStringLiteral("パスワードは暗号化したときだけ送ります。\n"
                                                "「暗号化しない」では、暗号化せずに送ります。"),
                                 this);
    clearNote->setObjectName(QStringLiteral("securityNote"));
    clearNote->setWordWrap(true);
    form->addRow(QString(), clearNote);
    form->addRow(QStringLiteral("ユーザー名"), m_user);
    form->addRow(QStringLiteral("パスワード"), m_password);

    auto *note = new QLabel(QStringLiteral("ユーザー名が空なら認証しません。\nここの設定はメールを送るたびに使われます。"), this);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("ＯＫ"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsWindow::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsWindow::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);

    setValues(mail::loadMailerSettings(m_path));
}

mail::MailerSettings SettingsWindow::values() const
{
    mail::MailerSettings s;
    s.port = m_port->value();
    s.security = mail::Security(m_security->currentData().toInt());
    s.user = m_user->text();
    s.password = m_password->text();
    return s;
}

void SettingsWindow::setValues(const mail::MailerSettings &settings)
{
    m_port->setValue(settings.port);
    m_security->setCurrentIndex(m_security->findData(int(settings.security)));
    m_user->setText(settings.user);
    m_password->setText(settings.password);
}

void SettingsWindow::accept()
{
    try {
        mail::saveMailerSettings(m_path, values());
    } catch (const AppError &e) {
        QMessageBox::critical(this, windowTitle(), e.message());
        return;
    }
    QDialog::accept();
}

} // namespace smail
