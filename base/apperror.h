#pragma once
#include <QString>
#include <exception>

// An error that ends the operation that met it. The handler that started the
// operation catches it and shows its message in the error box; the program
// then carries on with the next event.
class AppError : public std::exception
{
public:
    explicit AppError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
