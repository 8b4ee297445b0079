#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>

#include "mail/mailercommand.h"

// Hands one finished message to an SMTP server through libcurl.
namespace smail {

// The mailer's exit statuses.
enum Status : int {
    kDelivered = 0,
    kNotDelivered = 1, // the server did not take the message
    kBadCommand = 2,   // the command line could not be used
};

// How long the mailer waits: for the server's greeting (connecting
// included), and for the whole dialogue up to the server's answer to the text.
inline constexpr std::chrono::seconds kGreetingLimit{15};
inline constexpr std::chrono::seconds kOverallLimit{28};

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
// one line, with the server's own words when it refused. Returns within the
// overall limit; a server that keeps the mailer waiting beyond it (QUIT
// unanswered after the message was accepted included) ends the mailer with
// the status it has earned by then, within about 30 seconds of the start.
bool deliver(const Delivery &delivery, QString *reason);

// Writes "smail: <reason>" to standard error as one line with its line break.
void writeReason(QString reason);

} // namespace smail
