#pragma once

#include "MailSettings.h"
#include "data/DataError.h"

#include <QString>
#include <memory>

namespace store {

// One letter to one reader: the same text twice, plain and as a page.
struct MailLetter {
    QString recipientName;
    QString address; // as typed; checked before anything is sent
    QString subject;
    QString plainText;
    QString html;
};

// Why a letter or a check failed, in Russian, with the server's own reply after it when there was
// one. A failure that concerns one letter (its recipient or its text refused) leaves the
// connection usable for the next; any other (the login, the encryption, the server gone) would
// meet every letter after it too.
class MailError : public data::DataError {
public:
    enum class Scope { Letter, Connection, Stopped };
    MailError(const QString &message, Scope scope) : data::DataError(message), scope_(scope) {}
    Scope scope() const { return scope_; }

private:
    Scope scope_;
};

// The one way a letter leaves the program. Windows never speak SMTP: they hand letters to this.
class Mailer {
public:
    virtual ~Mailer() = default;
    // Sends one letter; raises MailError.
    virtual void send(const MailLetter &letter) = 0;
    // Connects, encrypts (STARTTLS), logs in and says goodbye, sending nothing; raises MailError.
    virtual void check() = 0;
    // From any thread: the letter or check under way ends as soon as it can, with Scope::Stopped.
    virtual void stop() = 0;
};

// The mailer of the settings: SMTP through libcurl, one connection kept for the letters that follow.
std::unique_ptr<Mailer> makeMailer(const MailSettings &settings);

} // namespace store
