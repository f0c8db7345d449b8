// The readers window: the register searched as typed, and the changes a reader's record takes.
#include "ReadersForm.h"

#include "DialogLook.h"
#include "ErrorBox.h"
#include "LoanReadersForm.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "ReaderCardForm.h"
#include "ReaderListModel.h"
#include "ReaderLoans.h"
#include "ReaderMergeForm.h"
#include "ReaderNames.h"
#include "ReaderCards.h"

#include <QHeaderView>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("Читатели");

// A pause this long in the typing runs the search: each key would cost a search of 20,000 readers.
constexpr int SearchPauseMs = 150;

// Found by what a reader's terminal may search by: the name and the card number, not the contacts.
bool foundByNameOrCard(const store::Reader &r, const QString &typed)
{
    return store::readerNameKey(r.name).contains(store::readerNameKey(typed)) ||
           r.card.contains(typed.trimmed(), Qt::CaseInsensitive);
}

int columnWidth(ReaderListModel::Column column)
{
    switch (column) {
    case ReaderListModel::Email: return 170;
    case ReaderListModel::Department:
    case ReaderListModel::Phone:
    case ReaderListModel::Blocked: return 120;
    case ReaderListModel::ValidUntil: return 115;
    default: return 80;
    }
}

} // namespace

TReadersForm::TReadersForm(data::Connection &connection, bool viewOnly, QWidget *parent)
    : QDialog(parent), connection_(connection), viewOnly_(viewOnly), searchTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("ReadersForm"));
    setWindowTitle(viewOnly ? Caption + QStringLiteral(" (просмотр)") : Caption);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    ui::useDialogFont(this);
    auto *layout = new QVBoxLayout(this);
    edSearch = new QLineEdit(this);
    edSearch->setObjectName(QStringLiteral("edSearch"));
    edSearch->setClearButtonEnabled(true);
    // Qt's clear button has no name of its own; a screen reader would say just "button".
    for (QToolButton *clear : edSearch->findChildren<QToolButton *>())
        clear->setAccessibleName(QStringLiteral("Очистить поиск"));
    edSearch->setPlaceholderText(viewOnly ? QStringLiteral("часть имени или номер билета")
                                          : QStringLiteral("часть имени, номер билета, телефон или e-mail"));
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(ui::buddyLabel(QStringLiteral("&Найти:"), edSearch));
    searchRow->addWidget(edSearch, 1);
    searchRow->addWidget(lblCount);
    readers = new ReaderListModel(!viewOnly, this);
    grReaders = new QTableView(this);
    grReaders->setObjectName(QStringLiteral("grReaders"));
    grReaders->setModel(readers);
    grReaders->setSelectionBehavior(QAbstractItemView::SelectRows);
    grReaders->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grReaders->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grReaders->verticalHeader()->hide();
    // One line a reader, of one height: 20,000 rows are never measured one by one.
    grReaders->setWordWrap(false);
    grReaders->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grReaders->verticalHeader()->setDefaultSectionSize(grReaders->fontMetrics().height() + 6);
    for (int section = 1; section < readers->columnCount(); ++section)
        grReaders->setColumnWidth(section, columnWidth(readers->columnAt(section)));
    grReaders->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    grReaders->setAccessibleName(QStringLiteral("Список читателей"));
    layout->addLayout(searchRow);
    layout->addWidget(grReaders, 1);
    layout->addLayout(buildButtons());
    searchTimer_->setSingleShot(true);
    searchTimer_->setInterval(SearchPauseMs);
    connect(searchTimer_, &QTimer::timeout, this, &TReadersForm::search);
    connect(edSearch, &QLineEdit::textChanged, this, &TReadersForm::edSearchChange);
    // Enter in the search box opens the reader found, as a double click on her row does.
    connect(edSearch, &QLineEdit::returnPressed, this, [this] {
        if (searchTimer_->isActive())
            search();
        btnEditClick();
    });
    connect(grReaders, &QTableView::activated, this, &TReadersForm::btnEditClick);
    resize(1100, 600);
}

QLayout *TReadersForm::buildButtons()
{
    auto button = [this](const QString &name, const QString &caption, void (TReadersForm::*handler)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    btnNew = button(QStringLiteral("btnNew"), QStringLiteral("Н&овый"), &TReadersForm::btnNewClick);
    btnEdit = button(QStringLiteral("btnEdit"), viewOnly_ ? QStringLiteral("&Открыть") : QStringLiteral("&Изменить"),
                     &TReadersForm::btnEditClick);
    btnDelete = button(QStringLiteral("btnDelete"), QStringLiteral("&Удалить"), &TReadersForm::btnDeleteClick);
    btnMerge = button(QStringLiteral("btnMerge"), QStringLiteral("Объ&единить..."), &TReadersForm::btnMergeClick);
    btnFromLoans = button(QStringLiteral("btnFromLoans"), QStringLiteral("Читатели из &выдач"),
                          &TReadersForm::btnFromLoansClick);
    btnPrintCards = button(QStringLiteral("btnPrintCards"), QStringLiteral("&Печать билетов..."),
                           &TReadersForm::btnPrintCardsClick);
    btnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    btnMerge->setToolTip(QStringLiteral("Выберите в списке двух читателей (Ctrl+щелчок или Shift+стрелка)"));
    // Cards are the library's to issue: a reader at a public computer prints none.
    for (QPushButton *b : {btnNew, btnDelete, btnMerge, btnFromLoans, btnPrintCards})
        b->setEnabled(!viewOnly_);
    auto *row = new QHBoxLayout;
    for (QPushButton *b : {btnNew, btnEdit, btnDelete, btnMerge, btnFromLoans, btnPrintCards})
        row->addWidget(b);
    row->addStretch(1);
    row->addWidget(btnClose);
    return row;
}

void TReadersForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    search();
    edSearch->setFocus();
}

void TReadersForm::edSearchChange() { searchTimer_->start(); }

void TReadersForm::search()
{
    searchTimer_->stop();
    const QString typed = edSearch->text();
    QList<store::Reader> found;
    if (!ui::runGuarded(this, [&] { found = store::findReaders(connection_, typed); }))
        return;
    if (viewOnly_ && !typed.trimmed().isEmpty())
        found.removeIf([&](const store::Reader &r) { return !foundByNameOrCard(r, typed); });
    readers->setReaders(found);
    lblCount->setText(QStringLiteral("Найдено: %1").arg(found.size()));
    if (!found.isEmpty())
        grReaders->selectRow(0);
    // What acts on a listed reader waits for one to be listed.
    btnEdit->setEnabled(!found.isEmpty());
    for (QPushButton *b : {btnDelete, btnPrintCards})
        b->setEnabled(!found.isEmpty() && !viewOnly_);
}

const store::Reader *TReadersForm::currentReader() const { return readers->readerAt(grReaders->currentIndex().row()); }

void TReadersForm::selectReader(qint64 id)
{
    const int row = readers->rowOf(id);
    if (row >= 0)
        grReaders->selectRow(row);
}

QList<store::Reader> TReadersForm::selectedReaders() const
{
    QList<store::Reader> chosen;
    for (const QModelIndex &index : grReaders->selectionModel()->selectedRows())
        if (const store::Reader *r = readers->readerAt(index.row()))
            chosen.push_back(*r);
    return chosen;
}

void TReadersForm::btnPrintCardsClick()
{
    QList<store::Reader> chosen = selectedReaders();
    if (chosen.isEmpty())
        if (const store::Reader *r = currentReader())
            chosen.push_back(*r);
    if (viewOnly_ || chosen.isEmpty())
        return;
    QList<print::ReaderCardData> cards;
    for (const store::Reader &r : chosen)
        cards.push_back({r.card, r.name, r.validUntil});
    print::printReaderCards(this, cards, print::libraryNameFromSettings());
}

// True when she was saved. The reader is a copy: the search after saving replaces the listed ones.
bool TReadersForm::openCard(const store::Reader reader)
{
    if (!cardForm)
        cardForm = new TReaderCardForm(connection_, viewOnly_, this);
    cardForm->showReader(reader);
    if (ui::platform().runModal(*cardForm) != QDialog::Accepted || viewOnly_)
        return false;
    const qint64 id = cardForm->savedId();
    const QString name = cardForm->reader().name.simplified();
    search();
    selectReader(id);
    if (reader.id && name != reader.name)
        announceHoldingsOf(name);
    return true;
}

void TReadersForm::announceHoldingsOf(const QString &name)
{
    QList<qint64> ids;
    ui::runGuarded(this, [&] {
        for (const store::ReaderLoan &l : store::readerLoans(connection_, name, {}, QDate::currentDate(), true))
            ids << l.bookId;
    });
    if (!ids.isEmpty())
        emit holdingsChanged(ids);
}

void TReadersForm::btnNewClick()
{
    if (viewOnly_)
        return;
    store::Reader fresh;
    if (ui::runGuarded(this, [&] { fresh = newReaderNamed(connection_, QString()); }))
        openCard(fresh);
}

void TReadersForm::btnEditClick()
{
    if (const store::Reader *r = currentReader())
        openCard(*r);
}

void TReadersForm::btnDeleteClick()
{
    const store::Reader *current = currentReader();
    if (viewOnly_ || !current)
        return;
    const store::Reader r = *current;
    if (ui::platform().messageBox(this,
                                  QStringLiteral("Удалить читателя «%1» (билет %2) из картотеки вместе с его контактами? "
                                                 "Его прошлые выдачи сохранят только имя.")
                                      .arg(r.name, r.card),
                                  Caption, ui::MsgIcon::Question, ui::Yes | ui::No) != ui::Yes)
        return;
    if (ui::runRefusable(this, Caption, [&] { store::deleteReader(connection_, r.id); }))
        search();
}

void TReadersForm::btnMergeClick()
{
    if (viewOnly_)
        return;
    const QList<store::Reader> two = selectedReaders();
    if (two.size() != 2) {
        ui::platform().messageBox(this,
                                  QStringLiteral("Выберите в списке двух читателей, которых нужно объединить: щелчок по "
                                                 "первому и Ctrl+щелчок по второму (или Shift и стрелка)."),
                                  Caption, ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    TReaderMergeForm form(two[0], two[1], this);
    if (ui::platform().runModal(form) != QDialog::Accepted)
        return;
    const qint64 kept = form.keptId(), merged = form.mergedId();
    if (!ui::runRefusable(this, Caption, [&] { store::mergeReaders(connection_, kept, merged); }))
        return;
    search();
    selectReader(kept);
    if (const store::Reader *r = currentReader())
        announceHoldingsOf(r->name);
}

void TReadersForm::btnFromLoansClick()
{
    if (viewOnly_)
        return;
    QList<store::LoanReader> groups;
    if (!ui::runGuarded(this, [&] { groups = groupsToRegister(store::readersInLoans(connection_)); }))
        return;
    if (groups.isEmpty()) {
        ui::platform().messageBox(this, QStringLiteral("Все читатели из выдач уже в картотеке, и у каждого одно имя."),
                                  Caption, ui::MsgIcon::Information, ui::Ok);
        return;
    }
    TLoanReadersForm form(groups, this);
    if (ui::platform().runModal(form) != QDialog::Accepted)
        return;
    const QList<store::LoanReader> chosen = form.chosen();
    if (chosen.isEmpty())
        return;
    int made = 0;
    if (!ui::runRefusable(this, Caption, [&] { made = store::registerLoanReaders(connection_, chosen, QDate::currentDate()); }))
        return;
    search();
    emit catalogueChanged();
    ui::platform().messageBox(this,
                              QStringLiteral("Записано в картотеку читателей: %1. Выдачи %2 групп имён получили одно имя.")
                                  .arg(made)
                                  .arg(chosen.size()),
                              Caption, ui::MsgIcon::Information, ui::Ok);
}
