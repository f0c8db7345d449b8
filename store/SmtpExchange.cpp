#include "SmtpExchange.h"

#include <curl/curl.h>

namespace store {

namespace {

using Scope = MailError::Scope;

// The words the server answered with, on one line, after our explanation.
QString withReply(const QString &text, const SmtpExchange &exchange)
{
    const QString reply = QString::fromUtf8(exchange.reply).simplified();
    if (reply.isEmpty())
        return text;
    return text + QStringLiteral(" Ответ сервера: «%1».").arg(reply);
}

QString withCurlWords(const QString &text, const SmtpExchange &exchange)
{
    const QString words = QString::fromUtf8(exchange.curlError).trimmed();
    return words.isEmpty() ? text : text + QStringLiteral(" (%1)").arg(words);
}

QString serverName(const MailSettings &s) { return QStringLiteral("%1, порт %2").arg(s.server).arg(s.port); }

bool refused(const SmtpExchange &exchange) { return exchange.reply.startsWith('4') || exchange.reply.startsWith('5'); }

// A refusal in the middle of a letter's commands: of the recipient or of the letter itself, which
// leaves the next letter free to go, or of the sender, which no letter would get past.
MailError refusalDuringLetter(const SmtpExchange &exchange, const MailSettings &settings)
{
    const QByteArray command = exchange.lastCommand.toUpper();
    if (command.startsWith("RCPT"))
        return {withReply(QStringLiteral("Сервер почты не принял адрес получателя."), exchange), Scope::Letter};
    if (command.startsWith("MAIL"))
        return {withReply(QStringLiteral("Сервер почты не принял адрес отправителя «%1»: проверьте его в настройках "
                                         "почты.").arg(settings.from), exchange), Scope::Connection};
    if (exchange.letterSent || command.startsWith("DATA"))
        return {withReply(QStringLiteral("Сервер почты не принял письмо."), exchange), Scope::Letter};
    return {withReply(QStringLiteral("Сервер почты отказал."), exchange), Scope::Connection};
}

MailError timedOut(const SmtpExchange &exchange, const MailSettings &settings)
{
    if (exchange.letterSent)
        return {QStringLiteral("Сервер почты %1 не подтвердил письмо за %2 с: возможно, оно всё же дошло. "
                               "Повторно не отправлено.").arg(serverName(settings)).arg(settings.timeoutSeconds),
                Scope::Connection};
    return {withReply(QStringLiteral("Сервер почты %1 не ответил за %2 с.").arg(serverName(settings)).arg(
                          settings.timeoutSeconds), exchange),
            Scope::Connection};
}

} // namespace

void SmtpExchange::clear()
{
    lastCommand.clear();
    reply.clear();
    letterSent = false;
    quitting = false;
    curlError[0] = '\0';
}

void SmtpExchange::commandSent(const QByteArray &line)
{
    static const QByteArrayList known{"EHLO", "HELO", "STARTTLS", "AUTH", "MAIL", "RCPT", "DATA", "NOOP", "RSET"};
    const QByteArray trimmed = line.trimmed();
    const QByteArray verb = trimmed.split(' ').first().toUpper();
    if (verb == "QUIT") {
        quitting = true;
        return;
    }
    // Anything else is the answer to a login's challenge: the name or the password.
    lastCommand = known.contains(verb) ? (verb == "AUTH" ? verb : trimmed) : QByteArray("AUTH");
    reply.clear();
    letterSent = false;
}

MailError mailFailure(int curlCode, const SmtpExchange &exchange, const MailSettings &settings)
{
    switch (curlCode) {
    case CURLE_ABORTED_BY_CALLBACK:
        return {QStringLiteral("Отправка прервана."), Scope::Stopped};
    case CURLE_COULDNT_RESOLVE_HOST:
        return {QStringLiteral("Сервер почты «%1» не найден: проверьте его имя в настройках почты.").arg(settings.server),
                Scope::Connection};
    case CURLE_COULDNT_CONNECT:
        return {QStringLiteral("Не удалось соединиться с сервером почты %1: он недоступен или не принимает соединения "
                               "на этом порту.").arg(serverName(settings)),
                Scope::Connection};
    case CURLE_OPERATION_TIMEDOUT:
        return timedOut(exchange, settings);
    case CURLE_USE_SSL_FAILED:
        return {withReply(QStringLiteral("Сервер почты не предлагает защищённое соединение (STARTTLS), а в настройках "
                                         "оно обязательно: имя и пароль ему не переданы."), exchange),
                Scope::Connection};
    case CURLE_PEER_FAILED_VERIFICATION:
        return {withCurlWords(QStringLiteral("Сертификат сервера почты %1 не подтверждён: это может быть не тот "
                                             "сервер. Если его сертификат выдан центром самой организации, укажите "
                                             "файл сертификата этого центра в настройках почты.").arg(settings.server),
                              exchange),
                Scope::Connection};
    case CURLE_SSL_CACERT_BADFILE:
        // Without a file of our own the system's authorities are used: a computer without them
        // (no ca-certificates package) cannot confirm any server, and the empty file name says nothing.
        if (settings.caCertificate.isEmpty())
            return {QStringLiteral("Сертификат сервера почты %1 не подтверждён: на этом компьютере нет сертификатов "
                                   "центров, которым доверяет система (пакет ca-certificates). Установите их или "
                                   "укажите файл сертификата центра в настройках почты.").arg(settings.server),
                    Scope::Connection};
        return {QStringLiteral("Не удалось прочитать файл сертификата центра «%1».").arg(settings.caCertificate),
                Scope::Connection};
    case CURLE_SSL_CONNECT_ERROR:
        return {withCurlWords(QStringLiteral("Не удалось установить защищённое соединение с сервером почты."), exchange),
                Scope::Connection};
    case CURLE_LOGIN_DENIED:
        return {withReply(QStringLiteral("Сервер почты не принял имя пользователя или пароль."), exchange),
                Scope::Connection};
    default:
        break;
    }
    if (refused(exchange))
        return refusalDuringLetter(exchange, settings);
    return {withCurlWords(QStringLiteral("Связь с сервером почты %1 прервалась: %2.")
                              .arg(serverName(settings), QString::fromUtf8(curl_easy_strerror(CURLcode(curlCode)))),
                          exchange),
            Scope::Connection};
}

} // namespace store
