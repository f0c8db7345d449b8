#pragma once

#include "Mailer.h"

#include <QByteArray>
#include <QString>

namespace store {

// What the program and the SMTP server last said to each other, as libcurl's debug callback
// shows it, so that a failure can say at which step the server refused and in its own words.
// A login's secret is never kept: only the command's name.
struct SmtpExchange {
    QByteArray lastCommand; // "RCPT TO:<...>", "MAIL FROM:<...>", "AUTH", "DATA"...
    QByteArray reply;       // every line of the server's answer to it
    bool letterSent = false; // the letter's text went out after DATA
    bool quitting = false;   // the goodbye after a failure says nothing of the failure itself
    char curlError[256] = {}; // libcurl's own words (CURL_ERROR_SIZE)

    void clear();
    void commandSent(const QByteArray &line);
    void replyReceived(const QByteArray &line)
    {
        if (!quitting)
            reply += line;
    }
};

// The failure of a step that ended with libcurl's code, in Russian, the server's reply after it.
MailError mailFailure(int curlCode, const SmtpExchange &exchange, const MailSettings &settings);

} // namespace store
