// The reader at the desk: her card, the warnings she comes with, her open loans.
#include "DeskForm.h"

#include "ReaderLoansModel.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableView>

void TDeskForm::chooseReader(const store::Reader &reader)
{
    reader_ = reader;
    showReaderState();
    if (reader_)
        note(QStringLiteral("Читатель: %1%2").arg(reader_->name, reader_->card.isEmpty()
                                                                   ? QStringLiteral(" (нет в картотеке)")
                                                                   : QStringLiteral(", билет ") + reader_->card),
             false);
}

void TDeskForm::clearReader()
{
    reader_.reset();
    for (QLabel *l : {lblReader, lblCard, lblCategory, lblValidUntil, lblBlock, lblContacts, lblWarnings})
        l->clear();
    loans->setLoans({});
    lblLoans->setText(QStringLiteral("&На руках:"));
}

// Read afresh after every action: another desk may have changed her or her loans meanwhile.
void TDeskForm::showReaderState()
{
    if (!reader_) {
        clearReader();
        return;
    }
    const store::DeskRules r = rules();
    QList<store::ReaderLoan> open;
    const bool read = attempt([&] {
        if (reader_->id != 0) {
            const auto now = store::readerById(connection_, reader_->id);
            if (now)
                reader_ = *now;
        }
        open = store::readerLoans(connection_, reader_->name, r.periods, r.today, true);
    });
    if (!read)
        return;
    int overdue = 0;
    for (const store::ReaderLoan &l : open)
        overdue += l.daysOverdue > 0 ? 1 : 0;
    const store::Reader &who = *reader_;
    lblReader->setText(who.name);
    lblCard->setText(who.id ? who.card : QStringLiteral("нет в картотеке"));
    lblCategory->setText(who.category);
    lblValidUntil->setText(who.validUntil.isValid() ? store::shownDate(who.validUntil) : QStringLiteral("бессрочно"));
    lblBlock->setText(who.blocked ? QStringLiteral("заблокирован: ") + who.blockReason : QStringLiteral("нет"));
    if (!viewOnly_) {
        QStringList contacts;
        for (const QString &c : {who.phone, who.email})
            if (!c.trimmed().isEmpty())
                contacts << c.trimmed();
        lblContacts->setText(contacts.join(QStringLiteral(", ")));
    }
    lblWarnings->setText(store::readerWarnings(who, int(open.size()), overdue, r).join(u'\n'));
    loans->setLoans(open);
    lblLoans->setText(overdue ? QStringLiteral("&На руках: %1, из них просрочено: %2").arg(open.size()).arg(overdue)
                              : QStringLiteral("&На руках: %1").arg(open.size()));
    if (!open.isEmpty())
        grLoans->selectRow(0);
}
