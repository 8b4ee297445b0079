#pragma once
#include <QDialog>

#include "mail/mailercommand.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace smail {

// The mailer's own small window, opened when it is started without
// arguments: port, connection security, and the user name and password for
// SMTP authentication. OK stores them in smail.ini beside the mailer
// (installed: in the user's configuration folder).
class SettingsWindow : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsWindow(QString settingsPath, QWidget *parent = nullptr);

    mail::MailerSettings values() const;
    void setValues(const mail::MailerSettings &settings);

    // Stores the values and closes; a refused write shows an error and
    // keeps the window open.
    void accept() override;

private:
    QString m_path;
    QSpinBox *m_port;
    QComboBox *m_security;
    QLineEdit *m_user;
    QLineEdit *m_password;
};

} // namespace smail
