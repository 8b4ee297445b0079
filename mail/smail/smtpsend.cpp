#include "mail/smail/smtpsend.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace smail {

namespace {

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

struct EasyDeleter
{
    void operator()(CURL *curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};

} // namespace

bool deliver(const Delivery &delivery, QString *reason)
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) {
        *reason = QStringLiteral("libcurl could not be initialised");
        return false;
    }
    std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl) {
        *reason = QStringLiteral("libcurl could not be initialised");
        return false;
    }
    std::unique_ptr<curl_slist, ListDeleter> recipients;
    for (const QByteArray &to : delivery.to) {
        curl_slist *next = curl_slist_append(recipients.get(), ('<' + to + '>').constData());
        if (!next) {
            *reason = QStringLiteral("out of memory");
            return false;
        }
        (void)recipients.release();
        recipients.reset(next);
    }

    const QByteArray url = delivery.target.url.toUtf8();
    const QByteArray from = '<' + delivery.from + '>';
    const QByteArray user = delivery.user.toUtf8();
    const QByteArray password = delivery.password.toUtf8();
    Reader reader{&delivery.message};
    char error[CURL_ERROR_SIZE] = {};

    CURL *c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, 28L);
    switch (delivery.target.tls) {
    case mail::SmtpTarget::Tls::Try: curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_TRY)); break;
    case mail::SmtpTarget::Tls::Require: curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_ALL)); break;
    case mail::SmtpTarget::Tls::Never: curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_NONE)); break;
    }
    if (!user.isEmpty()) {
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
    if (result == CURLE_OK)
        return true;
    QString why = QString::fromUtf8(error).trimmed();
    if (why.isEmpty())
        why = QString::fromUtf8(curl_easy_strerror(result));
    else
        why = QString::fromUtf8(curl_easy_strerror(result)) + QStringLiteral(": ") + why;
    why.replace(u'\r', u' ').replace(u'\n', u' ');
    *reason = why;
    return false;
}

} // namespace smail
