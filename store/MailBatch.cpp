#include "MailBatch.h"

#include "IniFile.h"
#include "MailAddress.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace store {

namespace {

using Outcome = LetterResult::Outcome;

// The same letter to the same address, however the address was typed.
QByteArray letterKey(const QString &address, const MailLetter &letter)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString &part : {address.toLower(), letter.subject, letter.plainText, letter.html}) {
        hash.addData(part.toUtf8());
        hash.addData(QByteArrayView("\0", 1));
    }
    return hash.result();
}

QString logField(const QString &text)
{
    QString field = text;
    for (QChar &c : field)
        if (c.unicode() < 0x20)
            c = u' ';
    return field.trimmed();
}

class MailLog {
public:
    explicit MailLog(const QString &path) : file_(path)
    {
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append))
            throw data::DataError(QStringLiteral("Не удалось записать журнал почты %1: %2. Письма не отправлены.")
                                      .arg(QDir::toNativeSeparators(path), file_.errorString()),
                                  0, data::ErrorKind::ReadOnly);
    }
    // Written at once: a batch cut short still leaves its record.
    void write(const MailLetter &letter, const LetterResult &result)
    {
        const QString line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + u'\t' +
                             logField(letter.recipientName) + u'\t' + logField(letter.address) + u'\t' +
                             logField(resultText(result)) + QStringLiteral("\r\n");
        file_.write(line.toUtf8());
        file_.flush();
    }

private:
    QFile file_;
};

LetterResult sendOne(Mailer &mailer, const MailLetter &letter, std::optional<QString> &batchFailure)
{
    if (batchFailure)
        return {Outcome::NotSent, *batchFailure};
    try {
        mailer.send(letter);
        return {Outcome::Sent, {}};
    } catch (const MailError &e) {
        if (e.scope() == MailError::Scope::Stopped) {
            batchFailure = QStringLiteral("отправка прервана");
            return {Outcome::NotSent, *batchFailure};
        }
        if (e.scope() == MailError::Scope::Connection)
            batchFailure = e.message();
        return {Outcome::Refused, e.message()};
    }
}

} // namespace

QString resultText(const LetterResult &result)
{
    switch (result.outcome) {
    case Outcome::Sent:
        return QStringLiteral("отправлено");
    case Outcome::Refused:
        return QStringLiteral("не отправлено: ") + result.reason;
    case Outcome::NoAddress:
        return QStringLiteral("нет адреса: ") + result.reason;
    case Outcome::Repeated:
        return QStringLiteral("не отправлено повторно: это письмо уже отправлено на этот адрес");
    case Outcome::NotSent:
        break;
    }
    return QStringLiteral("не отправлено: ") + result.reason;
}

QList<LetterResult> sendLetters(Mailer &mailer, const QList<MailLetter> &letters, const QString &logFile,
                                const BatchProgress &progress)
{
    MailLog log(logFile);
    QList<LetterResult> results;
    QSet<QByteArray> sent;
    std::optional<QString> batchFailure;
    for (const MailLetter &letter : letters) {
        const QString address = sendableAddress(letter.address);
        LetterResult result;
        if (address.isEmpty()) {
            result = {Outcome::NoAddress, letter.address.trimmed().isEmpty()
                                              ? QStringLiteral("адрес не указан")
                                              : QStringLiteral("«%1» — не адрес электронной почты").arg(letter.address)};
        } else if (sent.contains(letterKey(address, letter))) {
            result = {Outcome::Repeated, {}};
        } else {
            result = sendOne(mailer, letter, batchFailure);
            // Once handed to the server it is never sent again, whatever the server said.
            if (result.outcome != Outcome::NotSent)
                sent.insert(letterKey(address, letter));
        }
        log.write(letter, result);
        results << result;
        if (progress && !progress(int(results.size()), int(letters.size())) && !batchFailure)
            batchFailure = QStringLiteral("отправка прервана");
    }
    return results;
}

QString mailLogFile(const IniFile &settings)
{
    return QFileInfo(settings.fileName()).dir().filePath(QStringLiteral("mail.log"));
}

std::optional<BatchGuard::Hold> BatchGuard::enter()
{
    bool expected = false;
    if (!busy_.compare_exchange_strong(expected, true))
        return std::nullopt;
    return Hold(busy_);
}

} // namespace store
