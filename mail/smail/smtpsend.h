#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

#include "mail/mailercommand.h"

// Hands one finished message to an SMTP server through libcurl.
namespace smail {

struct Delivery
{
    mail::SmtpTarget target;
    QString user;     // authenticate when not empty
    QString password;
    QByteArray from;  // envelope sender
    QList<QByteArray> to;
    QByteArray message;
};

// True when the server accepted the message; otherwise *reason says why in
// one line. Gives up after 30 seconds at most.
bool deliver(const Delivery &delivery, QString *reason);

} // namespace smail
