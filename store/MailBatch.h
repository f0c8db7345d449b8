#pragma once

#include "Mailer.h"

#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>

namespace store {

class IniFile;

// What became of one letter of a batch.
struct LetterResult {
    enum class Outcome {
        Sent,
        Refused,   // the server refused it, or the connection failed while it went: `reason` says why
        NoAddress, // no address, or one no letter can go to: the reader gets the paper letter
        Repeated,  // the same letter to the same address came earlier in the batch: not sent twice
        NotSent,   // the batch was stopped, or had failed, before its turn: `reason` says which
    };
    Outcome outcome = Outcome::NotSent;
    QString reason;
};

// The outcome in Russian, with its reason: "отправлено", "не принято: …".
QString resultText(const LetterResult &result);

// Told after each letter how many of all are done; false stops the batch before the next one.
using BatchProgress = std::function<bool(int done, int total)>;

// Sends the letters one by one, in order, and says what became of each. A letter without a
// usable address is never sent; one to an address that was already sent the same letter in this
// batch is not sent again; a failure of the connection, the login or the encryption ends the batch,
// since every later letter would meet it too. Every letter gets a line in the log file
// (appended, UTF-8): date and time, reader, address, result. Raises DataError, sending nothing,
// when the log cannot be written.
QList<LetterResult> sendLetters(Mailer &mailer, const QList<MailLetter> &letters, const QString &logFile,
                                const BatchProgress &progress = {});

// The log beside the settings file: mail.log.
QString mailLogFile(const IniFile &settings);

// One batch at a time: a second click while letters are going is refused, not queued.
class BatchGuard {
public:
    class Hold {
    public:
        explicit Hold(std::atomic<bool> &busy) : busy_(&busy) {}
        Hold(Hold &&other) noexcept : busy_(std::exchange(other.busy_, nullptr)) {}
        Hold &operator=(Hold &&) = delete;
        ~Hold()
        {
            if (busy_)
                *busy_ = false;
        }

    private:
        std::atomic<bool> *busy_;
    };
    // nullopt while another batch holds the guard.
    std::optional<Hold> enter();
    bool busy() const { return busy_; }

private:
    std::atomic<bool> busy_{false};
};

} // namespace store
