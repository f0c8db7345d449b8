// The mailer through libcurl's SMTP: STARTTLS, the login, and each letter as MIME built by
// libcurl (multipart/alternative, both parts in UTF-8, quoted-printable).
#include "Mailer.h"

#include "MailAddress.h"
#include "SmtpExchange.h"

#include <QDateTime>
#include <QFile>
#include <QUuid>
#include <atomic>
#include <curl/curl.h>
#include <mutex>

namespace store {

namespace {

struct CurlCleanup {
    void operator()(CURL *c) const { curl_easy_cleanup(c); }
};
struct SlistCleanup {
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};
struct MimeCleanup {
    void operator()(curl_mime *m) const { curl_mime_free(m); }
};
using CurlHandle = std::unique_ptr<CURL, CurlCleanup>;
using Slist = std::unique_ptr<curl_slist, SlistCleanup>;
using Mime = std::unique_ptr<curl_mime, MimeCleanup>;

void appendTo(Slist &list, const QByteArray &line) { list.reset(curl_slist_append(list.release(), line.constData())); }

int onDebug(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    auto *exchange = static_cast<SmtpExchange *>(user);
    if (type == CURLINFO_HEADER_OUT)
        exchange->commandSent(QByteArray(data, qsizetype(size)));
    else if (type == CURLINFO_HEADER_IN)
        exchange->replyReceived(QByteArray(data, qsizetype(size)));
    else if (type == CURLINFO_DATA_OUT)
        exchange->letterSent = true;
    return 0;
}

int onProgress(void *stopped, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<std::atomic<bool> *>(stopped)->load() ? 1 : 0;
}

size_t discardAnswer(char *, size_t size, size_t count, void *) { return size * count; }

// Lines end in CR LF in a letter; quoted-printable keeps them as line ends.
QByteArray letterText(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t.replace(u'\n', QStringLiteral("\r\n")).toUtf8();
}

void addTextPart(curl_mime *mime, const QByteArray &bytes, const char *type)
{
    curl_mimepart *part = curl_mime_addpart(mime);
    curl_mime_data(part, bytes.constData(), size_t(bytes.size()));
    curl_mime_type(part, type);
    curl_mime_encoder(part, "quoted-printable");
}

class CurlMailer : public Mailer {
public:
    explicit CurlMailer(const MailSettings &settings) : settings_(settings)
    {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    }

    void send(const MailLetter &letter) override;
    void check() override;
    void stop() override { stopped_ = true; }

private:
    CurlHandle newHandle();
    void perform(CURL *curl);
    QByteArray senderAddress() const;

    MailSettings settings_;
    CurlHandle session_; // kept between letters, so that one connection and one login serve them all
    SmtpExchange exchange_;
    std::atomic<bool> stopped_{false};
};

CurlHandle CurlMailer::newHandle()
{
    CurlHandle curl(curl_easy_init());
    if (!curl)
        throw MailError(QStringLiteral("Не хватает памяти для отправки почты."), MailError::Scope::Connection);
    CURL *c = curl.get();
    // Port 465 is SMTP inside TLS from the first byte; any other starts plain and asks for STARTTLS.
    const QString host = settings_.server.contains(u':') ? u'[' + settings_.server + u']' : settings_.server;
    const QString url = (settings_.port == 465 ? QStringLiteral("smtps://") : QStringLiteral("smtp://")) + host +
                        u':' + QString::number(settings_.port);
    curl_easy_setopt(c, CURLOPT_URL, url.toUtf8().constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(c, CURLOPT_USE_SSL, long(settings_.requireTls ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    if (!settings_.caCertificate.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, QFile::encodeName(settings_.caCertificate).constData());
    if (!settings_.user.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, settings_.user.toUtf8().constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, settings_.password.toUtf8().constData());
    }
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, long(settings_.connectTimeoutSeconds));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, long(settings_.timeoutSeconds));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L); // the letters go from a worker thread
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, exchange_.curlError);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L); // for the debug callback only; nothing is printed
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &exchange_);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &stopped_);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, discardAnswer);
    return curl;
}

void CurlMailer::perform(CURL *curl)
{
    if (stopped_)
        throw MailError(QStringLiteral("Отправка прервана."), MailError::Scope::Stopped);
    exchange_.clear();
    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK)
        throw mailFailure(code, exchange_, settings_);
}

QByteArray CurlMailer::senderAddress() const
{
    const QString address = sendableAddress(parseMailbox(settings_.from).address);
    if (address.isEmpty())
        throw MailError(QStringLiteral("В настройках почты не указан или указан неверно адрес отправителя."),
                        MailError::Scope::Connection);
    return address.toLatin1();
}

void CurlMailer::check()
{
    senderAddress();
    // A connection of its own, closed at the end (QUIT): the check leaves nothing open.
    CurlHandle curl = newHandle();
    curl_easy_setopt(curl.get(), CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(curl.get(), CURLOPT_FORBID_REUSE, 1L);
    perform(curl.get());
}

void CurlMailer::send(const MailLetter &letter)
{
    const QByteArray from = senderAddress();
    const QByteArray to = sendableAddress(letter.address).toLatin1();
    if (to.isEmpty())
        throw MailError(QStringLiteral("«%1» — не адрес электронной почты.").arg(letter.address), MailError::Scope::Letter);
    if (!session_)
        session_ = newHandle();
    CURL *curl = session_.get();

    Slist headers;
    appendTo(headers, "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1());
    appendTo(headers, "From: " + mailboxHeader(parseMailbox(settings_.from).name, QString::fromLatin1(from)));
    appendTo(headers, "To: " + mailboxHeader(letter.recipientName, QString::fromLatin1(to)));
    appendTo(headers, "Subject: " + encodedHeaderText(letter.subject));
    appendTo(headers, "Message-ID: <" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + from.mid(from.indexOf('@')) + '>');
    appendTo(headers, "Content-Type: multipart/alternative");
    Slist recipients;
    appendTo(recipients, '<' + to + '>');
    Mime mime(curl_mime_init(curl));
    addTextPart(mime.get(), letterText(letter.plainText), "text/plain; charset=utf-8");
    addTextPart(mime.get(), letterText(letter.html), "text/html; charset=utf-8");

    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, ('<' + from + '>').constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime.get());
    const auto forget = [curl] {
        curl_easy_setopt(curl, CURLOPT_MIMEPOST, nullptr);
        curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, nullptr);
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    };
    try {
        perform(curl);
    } catch (...) {
        forget();
        throw;
    }
    forget();
}

} // namespace

std::unique_ptr<Mailer> makeMailer(const MailSettings &settings) { return std::make_unique<CurlMailer>(settings); }

} // namespace store
