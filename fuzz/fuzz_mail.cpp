// E-mail from typed and stored text: an address is sent only in a form every server reads the
// same way, a header's text comes back as it was from its encoded words and can never add a
// header, and a reader's letter keeps every loan and gets no markup from stored text.
#include "FuzzCheck.h"
#include "MailAddress.h"
#include "ReminderMail.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::consumeText;
using fuzzcheck::shown;

namespace {

bool isAscii(const QByteArray &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

void checkAddress(const QString &typed)
{
    const QString sent = store::sendableAddress(typed);
    if (sent.isEmpty())
        return;
    const QByteArray bytes = sent.toUtf8();
    check(isAscii(bytes) && sent.count(u'@') == 1, "an address sent is printable ASCII with one @", shown(typed));
    check(!sent.contains(u' ') && !sent.contains(u'<') && !sent.contains(u'>') && sent.size() <= 254,
          "an address sent has no blank, no angle bracket and is not too long", shown(sent));
    check(store::sendableAddress(sent) == sent, "an address sent is checked again unchanged", shown(sent));
    if (isAscii(typed.trimmed().toUtf8()))
        check(sent.compare(typed.trimmed(), Qt::CaseInsensitive) == 0, "an ASCII address is sent as typed", shown(sent));
}

// The header as the wire has it, lines unfolded and encoded words decoded.
QString decodedHeader(const QByteArray &value)
{
    QByteArray bytes;
    for (const QByteArray &line : value.split('\n')) {
        const QByteArray word = line.trimmed();
        if (!word.startsWith("=?UTF-8?B?"))
            return QString::fromLatin1(value); // plain ASCII, one line
        check(word.endsWith("?="), "an encoded word is closed", QString::fromLatin1(value));
        bytes += QByteArray::fromBase64(word.mid(10, word.size() - 12));
    }
    return QString::fromUtf8(bytes);
}

void checkHeader(const QString &text)
{
    const QByteArray value = store::encodedHeaderText(text);
    for (const QByteArray &line : QByteArray(value).replace("\r\n", "\n").split('\n')) {
        check(isAscii(line), "a header's line is printable ASCII", QString::fromLatin1(value));
        check(line.size() <= 68, "a header's line leaves room for its name within 78 characters",
              QString::fromLatin1(value));
    }
    check(value.count('\r') == value.count("\r\n ") && value.count('\n') == value.count('\r'),
          "a header's value breaks only to go on in the next line", QString::fromLatin1(value));
    QString expected = text;
    for (QChar &c : expected)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    check(decodedHeader(value) == QString::fromUtf8(expected.toUtf8()), "a header's text decodes as it was",
          shown(text) + u'\n' + QString::fromLatin1(value));
    const QByteArray mailbox = store::mailboxHeader(text, QStringLiteral("reader@example.ru"));
    check(mailbox.endsWith(" <reader@example.ru>") || mailbox == "reader@example.ru", "a mailbox ends in its address",
          QString::fromLatin1(mailbox));
    check(mailbox.count('\n') == mailbox.count("\r\n "), "a mailbox breaks only to go on", QString::fromLatin1(mailbox));
}

void checkLetter(FuzzedDataProvider &in)
{
    store::ReaderDebt debt;
    debt.reader = consumeText(in, 30);
    const int count = in.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < count; ++i) {
        store::OverdueLoan l;
        l.title = consumeText(in, 30);
        l.author = consumeText(in, 10);
        l.invNum = QString::number(1000 + i);
        l.lent = QDate(2024, 1, 1).addDays(in.ConsumeIntegralInRange(0, 400));
        l.due = l.lent.addDays(in.ConsumeIntegralInRange(0, 60));
        l.daysOverdue = in.ConsumeIntegralInRange(1, 900);
        debt.loans.push_back(l);
    }
    const store::LibraryLetterhead letterhead{consumeText(in, 20).trimmed(), consumeText(in, 20).trimmed()};
    const store::MailLetter letter = reports::reminderMail(QDate(2025, 6, 1), debt, letterhead, QString());
    for (int i = 0; i < count; ++i)
        check(letter.plainText.contains(QStringLiteral("\n%1. ").arg(i + 1)) &&
                  letter.plainText.contains(QStringLiteral("инв. № %1").arg(1000 + i)),
              "every loan has its line in the plain text", letter.plainText);
    check(letter.plainText.contains(QStringLiteral("Читатель: ") + debt.reader), "the plain text names the reader");
    check(letter.html.count(QStringLiteral("<tr>")) == count + 1, "one row per loan and the heading", letter.html);
    check(letter.html.count(QStringLiteral("<p>")) == (letterhead.name.isEmpty() ? 5 : 6),
          "no stored text adds a paragraph", letter.html);
    check(letter.html.count(u'<') == letter.html.count(u'>'), "no stored text opens a tag", letter.html);
    check(decodedHeader(store::encodedHeaderText(letter.subject)).startsWith(QStringLiteral("Напоминание о возврате")),
          "the subject decodes as written", letter.subject);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    checkAddress(consumeText(in, 300));
    checkHeader(consumeText(in, 200));
    checkLetter(in);
    return 0;
}
