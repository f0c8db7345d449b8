#include "ReminderMail.h"

#include "CirculationPages.h"
#include "HtmlText.h"
#include "data/text/Cp1251.h"

namespace reports {

namespace {

using Outcome = store::LetterResult::Outcome;

QString loanLine(int number, const store::OverdueLoan &loan)
{
    QString what = loan.title.simplified();
    if (!loan.author.trimmed().isEmpty())
        what = loan.author.simplified() + QStringLiteral(". ") + what;
    const QString inventory = (loan.invNum + u' ' + loan.liter).trimmed();
    return QStringLiteral("%1. %2 — инв. № %3, выдано %4, срок возврата %5, дней просрочки: %6")
        .arg(number)
        .arg(what, inventory, store::shownDate(loan.lent), store::shownDate(loan.due))
        .arg(loan.daysOverdue);
}

QString plainLetter(const QDate &day, const store::ReaderDebt &debt, const store::LibraryLetterhead &letterhead)
{
    QStringList lines;
    if (!letterhead.name.isEmpty())
        lines << letterhead.name << QString();
    lines << QStringLiteral("Напоминание о возврате изданий") << QString();
    lines << QStringLiteral("Читатель: ") + debt.reader << QString();
    lines << QStringLiteral("На %1 не возвращены в срок выданные Вам издания:").arg(store::shownDate(day)) << QString();
    int number = 0;
    for (const store::OverdueLoan &loan : debt.loans)
        lines << loanLine(++number, loan);
    lines << QString() << QStringLiteral("Просим вернуть их в библиотеку или продлить срок пользования.") << QString();
    if (!letterhead.signature.isEmpty())
        lines << letterhead.signature;
    lines << store::shownDate(day);
    return lines.join(u'\n') + u'\n';
}

int countOf(const QList<ReminderOutcome> &outcomes, Outcome outcome)
{
    return int(std::count_if(outcomes.begin(), outcomes.end(),
                             [outcome](const ReminderOutcome &o) { return o.result.outcome == outcome; }));
}

QString outcomeCell(const store::LetterResult &result)
{
    if (result.outcome == Outcome::NoAddress)
        return store::htmlEscape(store::resultText(result)) + QStringLiteral(" — <b>нужно бумажное письмо</b>");
    return store::htmlEscape(store::resultText(result));
}

} // namespace

store::MailLetter reminderMail(const QDate &day, const store::ReaderDebt &debt,
                               const store::LibraryLetterhead &letterhead, const QString &address)
{
    store::MailLetter letter;
    letter.recipientName = debt.reader.simplified();
    letter.address = address;
    letter.subject = QStringLiteral("Напоминание о возврате изданий");
    if (!letterhead.name.isEmpty())
        letter.subject += QStringLiteral(" — ") + letterhead.name;
    letter.plainText = plainLetter(day, debt, letterhead);
    letter.html = circulationPageHead(store::htmlEscape(letter.subject), QStringLiteral("utf-8")) +
                  reminderLetterHtml(day, debt, letterhead, LetterForm::Mail) + CirculationPageEnd;
    return letter;
}

QString mailOutcomeSummary(const QList<ReminderOutcome> &outcomes)
{
    const int sent = countOf(outcomes, Outcome::Sent);
    const int noAddress = countOf(outcomes, Outcome::NoAddress);
    QString text = QStringLiteral("Отправлено писем: %1 из %2.").arg(sent).arg(outcomes.size());
    if (const int failed = int(outcomes.size()) - sent - noAddress; failed > 0)
        text += QStringLiteral(" Не отправлено: %1.").arg(failed);
    if (noAddress > 0)
        text += QStringLiteral(" Без адреса: %1 — им нужно бумажное напоминание.").arg(noAddress);
    return text;
}

QByteArray mailOutcomePage(const QDate &day, const QList<ReminderOutcome> &outcomes)
{
    QString page = circulationPageHead(QStringLiteral("Напоминания по электронной почте"));
    page += QStringLiteral("<h1>Напоминания по электронной почте на ") + store::shownDate(day) +
            QStringLiteral("</h1>\r\n<p>") + store::htmlEscape(mailOutcomeSummary(outcomes)) +
            QStringLiteral("</p>\r\n<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\r\n"
                           "<tr><th>Читатель</th><th>Адрес</th><th>Результат</th></tr>\r\n");
    for (const ReminderOutcome &o : outcomes)
        page += QStringLiteral("<tr><td>") + store::htmlEscape(o.reader) + QStringLiteral("</td><td>") +
                store::htmlEscape(o.address) + QStringLiteral("</td><td>") + outcomeCell(o.result) +
                QStringLiteral("</td></tr>\r\n");
    page += QStringLiteral("</table>\r\n");
    return data::encodeCp1251Html(page + CirculationPageEnd);
}

} // namespace reports
