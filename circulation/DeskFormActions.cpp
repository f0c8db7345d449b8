// What the desk does with a scanned code: a reader's card shows her, a holding's code lends,
// returns or extends it; a code several things carry is asked about in the window, not in a
// modal box that would swallow the next scans.
#include "DeskForm.h"

#include "ErrorBox.h"
#include "ProcessValues.h"
#include "ReaderLoansModel.h"
#include "data/DataError.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

namespace {

QString holdingChoice(const store::DeskHolding &h)
{
    QString text = QStringLiteral("Издание %1 «%2»").arg(h.shownCode(), h.title.simplified());
    if (h.orderId)
        text += QStringLiteral(" — выдано: %1").arg(h.reader.trimmed().isEmpty() ? QStringLiteral("без имени") : h.reader);
    return text;
}

} // namespace

store::DeskRules TDeskForm::rules() const
{
    store::DeskRules r = store::readDeskRules(store::process().SettingsFile, QDate::currentDate());
    r.requestKind = cbRequestKind->currentIndex();
    return r;
}

// A store call whose error goes into the window's list, never into a modal box.
bool TDeskForm::attempt(const std::function<void()> &storeCall)
{
    try {
        storeCall();
        return true;
    } catch (const data::DataError &e) {
        refuse(e.kind() == data::ErrorKind::Refused ? e.message() : ui::explainedErrorText(e));
        return false;
    }
}

void TDeskForm::note(const QString &line, bool refusal)
{
    auto *item = new QListWidgetItem((refusal ? QStringLiteral("Отказ: ") : QString()) + line, lstActions);
    if (refusal)
        item->setForeground(QColor(0xb0, 0, 0));
    lstActions->scrollToItem(item);
    lblStatus->setText(item->text());
    lblStatus->setStyleSheet(refusal ? QStringLiteral("color: #b00000") : QString());
    // A screen reader says at once what the desk did, as the librarian would see it.
    QAccessibleEvent said(lblStatus, refusal ? QAccessible::Alert : QAccessible::NameChanged);
    QAccessible::updateAccessibility(&said);
}

void TDeskForm::refuse(const QString &why)
{
    QApplication::beep();
    note(why, true);
}

void TDeskForm::edScanReturn()
{
    // Taken and cleared at once: the next code may already be on its way.
    const QString text = edScan->text().trimmed();
    edScan->clear();
    if (text.isEmpty())
        return;
    hideChoices();
    store::ScanMatch match;
    if (!attempt([&] { match = store::identifyScan(connection_, text); }))
        return;
    const qsizetype found = (match.reader ? 1 : 0) + match.holdings.size();
    if (found == 0)
        refuse(QStringLiteral("«%1»: нет ни читателя с таким номером билета, ни издания с таким кодом.").arg(text));
    else if (found > 1)
        offerChoices(text, match);
    else if (match.reader)
        chooseReader(*match.reader);
    else
        actOn(match.holdings.first());
}

void TDeskForm::edReaderReturn()
{
    const QString typed = edReader->text().trimmed();
    if (typed.isEmpty())
        return;
    QList<store::Reader> found;
    if (!attempt([&] {
            const auto exact = store::readerByName(connection_, typed);
            found = exact ? QList<store::Reader>{*exact} : store::findReaders(connection_, typed, 2);
        }))
        return;
    if (found.size() == 1) {
        edReader->clear();
        chooseReader(found.first());
        edScan->setFocus();
    } else {
        refuse(found.isEmpty() ? QStringLiteral("Читателя «%1» нет в картотеке.").arg(typed)
                               : QStringLiteral("«%1» есть у нескольких читателей: выберите одного из списка.").arg(typed));
    }
}

void TDeskForm::offerChoices(const QString &text, const store::ScanMatch &match)
{
    pending_ = match;
    lstChoices->clear();
    if (match.reader)
        lstChoices->addItem(QStringLiteral("Читатель %1, билет %2").arg(match.reader->name, match.reader->card));
    for (const store::DeskHolding &h : match.holdings)
        lstChoices->addItem(holdingChoice(h));
    lblChoices->setText(QStringLiteral("&Уточните, что значит «%1» (Enter в списке):").arg(text));
    lblChoices->show();
    lstChoices->show();
    lstChoices->setCurrentRow(0);
    note(QStringLiteral("«%1» подходит нескольким: уточните в списке или отсканируйте код с литерой.").arg(text), false);
}

void TDeskForm::hideChoices()
{
    pending_ = {};
    lstChoices->clear();
    lstChoices->hide();
    lblChoices->hide();
}

void TDeskForm::lstChoicesActivate(int row)
{
    const store::ScanMatch match = pending_;
    hideChoices();
    edScan->setFocus();
    if (match.reader && row == 0)
        chooseReader(*match.reader);
    else if (const qsizetype h = row - (match.reader ? 1 : 0); h >= 0 && h < match.holdings.size())
        actOn(match.holdings[h]);
}

void TDeskForm::actOn(const store::DeskHolding &holding)
{
    if (viewOnly_) {
        refuse(QStringLiteral("Режим просмотра: выдавать, возвращать и продлевать издания нельзя."));
        return;
    }
    if (!reader_) {
        if (!holding.orderId) {
            refuse(QStringLiteral("Издание %1 на полке: сначала отсканируйте билет читателя.").arg(holding.shownCode()));
            return;
        }
        // Brought back without her card: the desk turns to the reader who has it.
        std::optional<store::Reader> holder;
        if (!attempt([&] { holder = store::readerByName(connection_, holding.reader); }))
            return;
        store::Reader unregistered;
        unregistered.name = holding.reader;
        chooseReader(holder ? *holder : unregistered);
    }
    store::DeskAction done;
    if (attempt([&] { done = store::scanHolding(connection_, *reader_, holding.bookId, chbExtend->isChecked(), rules()); }))
        record(done);
}

void TDeskForm::actOnSelectedLoan(bool extend)
{
    const store::ReaderLoan *loan = loans->loanAt(grLoans->currentIndex().row());
    if (viewOnly_ || !reader_ || !loan) {
        refuse(viewOnly_ ? QStringLiteral("Режим просмотра: выдавать, возвращать и продлевать издания нельзя.")
                         : QStringLiteral("Выберите издание в списке того, что на руках."));
        return;
    }
    store::DeskAction done;
    const qint64 bookId = loan->bookId;
    if (attempt([&] {
            done = extend ? store::extendHolding(connection_, *reader_, bookId, rules())
                          : store::returnHolding(connection_, *reader_, bookId, rules());
        }))
        record(done);
    edScan->setFocus();
}

void TDeskForm::btnReturnClick() { actOnSelectedLoan(false); }
void TDeskForm::btnExtendClick() { actOnSelectedLoan(true); }

void TDeskForm::record(const store::DeskAction &action)
{
    done_.push_back(action);
    btnUndo->setEnabled(!viewOnly_);
    note(action.text(), false);
    showReaderState();
    emit holdingChanged(action.bookId);
}

void TDeskForm::btnUndoClick()
{
    if (done_.isEmpty() || viewOnly_)
        return;
    const store::DeskAction last = done_.last();
    try {
        store::undoDeskAction(connection_, last);
        done_.removeLast();
        note(last.undoneText(), false);
        emit holdingChanged(last.bookId);
    } catch (const data::DataError &e) {
        // Changed since at another desk: it can never be undone, and what came before it still can.
        if (e.kind() == data::ErrorKind::Refused)
            done_.removeLast();
        refuse(e.kind() == data::ErrorKind::Refused ? e.message() : ui::explainedErrorText(e));
    }
    btnUndo->setEnabled(!done_.isEmpty());
    showReaderState();
    edScan->setFocus();
}
