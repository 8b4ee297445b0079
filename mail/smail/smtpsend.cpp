#include "mail/smail/smtpsend.h"

#include <curl/curl.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace smail {

namespace {

using Clock = std::chrono::steady_clock;

// Time after the result is known for the server to answer QUIT.
constexpr std::chrono::seconds kQuitGrace{3};
// libcurl's own time-outs come first and give the better reason; the
// watchdog only catches the waits they do not bound.
constexpr std::chrono::seconds kWatchdogMargin{1};

struct Reader
{
    const QByteArray *data;
    qsizetype offset = 0;
};

size_t readMessage(char *buffer, size_t size, size_t count, void *userData)
{
    auto *reader = static_cast<Reader *>(userData);
    const size_t room = size * count;
    const size_t left = size_t(reader->data->size() - reader->offset);
    const size_t n = std::min(room, left);
    std::memcpy(buffer, reader->data->constData() + reader->offset, n);
    reader->offset += qsizetype(n);
    return n;
}

// The server's last complete reply before QUIT, its lines joined by blanks:
// the answer to the command that failed, when one did.
struct Replies
{
    QByteArray current;
    QByteArray last;
    bool quitting = false;
};

int onDebug(CURL *, curl_infotype type, char *data, size_t size, void *userData)
{
    auto *replies = static_cast<Replies *>(userData);
    const QByteArray line = QByteArray(data, qsizetype(size)).trimmed();
    if (type == CURLINFO_HEADER_OUT && line.startsWith("QUIT"))
        replies->quitting = true;
    if (type != CURLINFO_HEADER_IN || replies->quitting)
        return 0;
    if (replies->current.size() < 1000)
        replies->current += (replies->current.isEmpty() ? "" : " ") + line;
    // "250-..." continues a reply, "250 ..." or "250" ends it.
    if (line.size() <= 3 || line[3] != '-') {
        replies->last = replies->current;
        replies->current.clear();
    }
    return 0;
}

// What the server said when it refused something: a reply of 4xx or 5xx.
QString refusal(const Replies &replies)
{
    const QByteArray &r = replies.last;
    if (r.isEmpty() || (r[0] != '4' && r[0] != '5'))
        return {};
    return QString::fromUtf8(r.left(300));
}

struct EasyDeleter
{
    void operator()(CURL *curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};

// Ends the mailer when it is still waiting at the deadline: libcurl waits for
// QUIT's answer when it closes the connection, bounded by nothing but the
// server-response time-out. Before the result is known the send has failed;
// after it, the result stands, and QUIT gets only a short grace.
class Watchdog
{
public:
    explicit Watchdog(Clock::time_point deadline) : m_deadline(deadline), m_thread([this] { run(); }) {}

    ~Watchdog()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    void settle(bool delivered, const QString &reason)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_settled = true;
            m_delivered = delivered;
            m_reason = reason;
            m_deadline = std::min(m_deadline, Clock::now() + kQuitGrace);
        }
        m_wake.notify_one();
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        while (!m_finished) {
            if (Clock::now() >= m_deadline) {
                if (!m_settled)
                    writeReason(QStringLiteral("no answer from the server within %1 seconds")
                                    .arg(kOverallLimit.count()));
                else if (!m_delivered)
                    writeReason(m_reason);
                std::fflush(nullptr);
                std::_Exit(m_settled && m_delivered ? kDelivered : kNotDelivered);
            }
            m_wake.wait_until(lock, m_deadline);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    Clock::time_point m_deadline;
    bool m_finished = false;
    bool m_settled = false;
    bool m_delivered = false;
    QString m_reason;
    std::thread m_thread; // last: starts when the rest is ready
};

bool fail(QString *reason, const QString &why)
{
    *reason = why;
    return false;
}

} // namespace

void writeReason(QString reason)
{
    // One line, whatever the reason quotes.
    for (QChar &c : reason)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    std::fprintf(stderr, "smail: %s\n", reason.toLocal8Bit().constData());
    std::fflush(stderr);
}

bool deliver(const Delivery &delivery, QString *reason)
{
    Watchdog watchdog(Clock::now() + kOverallLimit + kWatchdogMargin);
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised)
        return fail(reason, QStringLiteral("libcurl could not be initialised"));
    // Cleaned up before the watchdog ends: the clean-up sends QUIT.
    std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl)
        return fail(reason, QStringLiteral("libcurl could not be initialised"));
    std::unique_ptr<curl_slist, ListDeleter> recipients;
    for (const QByteArray &to : delivery.to) {
        curl_slist *next = curl_slist_append(recipients.get(), ('<' + to + '>').constData());
        if (!next)
            return fail(reason, QStringLiteral("out of memory"));
        (void)recipients.release();
        recipients.reset(next);
    }

    const QByteArray url = delivery.target.url.toUtf8();
    const QByteArray from = '<' + delivery.from + '>';
    const QByteArray user = delivery.user.toUtf8();
    const QByteArray password = delivery.password.toUtf8();
    Reader reader{&delivery.message};
    Replies replies;
    char error[CURL_ERROR_SIZE] = {};

    CURL *c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, long(kGreetingLimit.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, long(kOverallLimit.count()));
    // No single answer, QUIT's included, is awaited longer than the whole send.
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(kOverallLimit.count()));
    // The server's replies, for its reason when it refuses.
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &replies);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    switch (delivery.target.tls) {
    case mail::SmtpTarget::Tls::Try: curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_TRY)); break;
    case mail::SmtpTarget::Tls::Require: curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_ALL)); break;
    case mail::SmtpTarget::Tls::Never: curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_NONE)); break;
    }
    const bool authenticate = !user.isEmpty();
    if (authenticate) {
        // A password only goes out over TLS that is required, or in the
        // clear where the settings ask for no encryption at all.
        if (delivery.target.tls == mail::SmtpTarget::Tls::Try)
            return fail(reason, QStringLiteral("a password is only sent over TLS"));
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(c, CURLOPT_READDATA, &reader);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(delivery.message.size()));

    const CURLcode result = curl_easy_perform(c);
    if (result != CURLE_OK) {
        QString why = QString::fromUtf8(curl_easy_strerror(result));
        const QString detail = QString::fromUtf8(error).trimmed();
        if (!detail.isEmpty())
            why += QStringLiteral(": ") + detail;
        const QString said = refusal(replies);
        if (!said.isEmpty())
            why += QStringLiteral(" (server: %1)").arg(said);
        if (result == CURLE_USE_SSL_FAILED && authenticate)
            why += QStringLiteral("; the password is only sent over TLS (security=none in smail.ini allows it in the clear)");
        why.replace(u'\r', u' ').replace(u'\n', u' ');
        *reason = why;
    }
    watchdog.settle(result == CURLE_OK, *reason);
    curl.reset(); // QUIT, within the grace
    return result == CURLE_OK;
}

} // namespace smail
