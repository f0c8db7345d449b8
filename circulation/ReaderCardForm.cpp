// The reader's card: her details, her loans, and saving her through the register's checks.
#include "ReaderCardForm.h"

#include "DialogLook.h"
#include "ErrorBox.h"
#include "LoanTerms.h"
#include "ProcessValues.h"
#include "ReaderLoansModel.h"
#include "ReaderPins.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("Карточка читателя");

QDateEdit *dateBox(QWidget *parent)
{
    auto *box = new QDateEdit(parent);
    box->setCalendarPopup(true);
    box->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return box;
}

} // namespace

store::Reader newReaderNamed(data::Connection &connection, const QString &name)
{
    store::Reader r;
    r.name = name.simplified();
    r.card = store::nextCardNumber(connection);
    r.registeredOn = QDate::currentDate();
    return r;
}

TReaderCardForm::TReaderCardForm(data::Connection &connection, bool viewOnly, QWidget *parent)
    : QDialog(parent), connection_(connection), viewOnly_(viewOnly), loans_(new ReaderLoansModel(this))
{
    setObjectName(QStringLiteral("ReaderCardForm"));
    setWindowTitle(Caption);
    ui::useDialogFont(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildDetails());
    lblLoans = new QLabel(QStringLiteral("&Выдачи (сначала те, что на руках)"), this);
    grLoans = new QTableView(this);
    grLoans->setObjectName(QStringLiteral("grLoans"));
    grLoans->setModel(loans_);
    grLoans->setSelectionBehavior(QAbstractItemView::SelectRows);
    grLoans->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grLoans->horizontalHeader()->setSectionResizeMode(ReaderLoansModel::Title, QHeaderView::Stretch);
    grLoans->verticalHeader()->hide();
    grLoans->setAccessibleName(QStringLiteral("Выдачи читателя"));
    lblLoans->setBuddy(grLoans);
    layout->addWidget(lblLoans);
    layout->addWidget(grLoans, 1);
    layout->addLayout(ui::okCancelRow(this, QStringLiteral("ОК"), btnOk, btnCancel));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    btnOk->setVisible(!viewOnly);
    if (viewOnly)
        btnCancel->setText(QStringLiteral("Закрыть"));
    resize(760, 620);
}

QWidget *TReaderCardForm::buildDetails()
{
    auto *details = new QWidget(this);
    auto *form = new QFormLayout(details);
    edCard = new QLineEdit(details);
    edName = new QLineEdit(details);
    cbCategory = new QComboBox(details);
    cbCategory->setEditable(true);
    cbCategory->setInsertPolicy(QComboBox::NoInsert);
    edDepartment = new QLineEdit(details);
    form->addRow(ui::buddyLabel(QStringLiteral("&Номер билета"), edCard), edCard);
    form->addRow(ui::buddyLabel(QStringLiteral("&Фамилия, имя, отчество"), edName), edName);
    form->addRow(ui::buddyLabel(QStringLiteral("&Категория"), cbCategory), cbCategory);
    cbCategory->lineEdit()->setAccessibleName(cbCategory->accessibleName());
    form->addRow(ui::buddyLabel(QStringLiteral("&Подразделение"), edDepartment), edDepartment);
    // Contacts are not even put in the window a reader may see.
    if (!viewOnly_) {
        edPhone = new QLineEdit(details);
        edEmail = new QLineEdit(details);
        edAddress = new QLineEdit(details);
        form->addRow(ui::buddyLabel(QStringLiteral("&Телефон"), edPhone), edPhone);
        form->addRow(ui::buddyLabel(QStringLiteral("&E-mail"), edEmail), edEmail);
        form->addRow(ui::buddyLabel(QStringLiteral("&Адрес"), edAddress), edAddress);
        edPin = new QLineEdit(details);
        edPin->setEchoMode(QLineEdit::Password);
        edPin->setObjectName(QStringLiteral("edPin"));
        chbClearPin = new QCheckBox(QStringLiteral("Сн&ять PIN"), details);
        auto *pinRow = new QHBoxLayout;
        pinRow->addWidget(edPin, 1);
        pinRow->addWidget(chbClearPin);
        form->addRow(ui::buddyLabel(QStringLiteral("P&IN для «Мои книги»"), edPin), pinRow);
        connect(chbClearPin, &QCheckBox::toggled, edPin, [this](bool on) { edPin->setEnabled(!on); });
    }
    dtRegistered = dateBox(details);
    form->addRow(ui::buddyLabel(QStringLiteral("&Записан"), dtRegistered), dtRegistered);
    chbValidUntil = new QCheckBox(QStringLiteral("&Действителен до"), details);
    dtValidUntil = dateBox(details);
    dtValidUntil->setAccessibleName(QStringLiteral("Билет действителен до"));
    form->addRow(chbValidUntil, dtValidUntil);
    connect(chbValidUntil, &QCheckBox::toggled, dtValidUntil, &QWidget::setEnabled);
    chbBlocked = new QCheckBox(QStringLiteral("&Заблокирован"), details);
    edBlockReason = new QLineEdit(details);
    edBlockReason->setAccessibleName(QStringLiteral("Причина блокировки"));
    edBlockReason->setPlaceholderText(QStringLiteral("причина"));
    form->addRow(chbBlocked, edBlockReason);
    connect(chbBlocked, &QCheckBox::toggled, edBlockReason, &QWidget::setEnabled);
    edNote = new QPlainTextEdit(details);
    edNote->setTabChangesFocus(true);
    edNote->setMaximumHeight(60);
    form->addRow(ui::buddyLabel(QStringLiteral("П&римечание"), edNote), edNote);
    return details;
}

void TReaderCardForm::showReader(const store::Reader &reader)
{
    shown_ = reader;
    savedId_ = 0;
    setWindowTitle(reader.id ? Caption + QStringLiteral(": ") + reader.name : QStringLiteral("Новый читатель"));
    edCard->setText(reader.card);
    edName->setText(reader.name);
    cbCategory->clear();
    ui::runGuarded(this, [&] { cbCategory->addItems(store::readerCategories(connection_)); });
    cbCategory->setCurrentText(reader.category);
    edDepartment->setText(reader.department);
    if (edPhone) {
        edPhone->setText(reader.phone);
        edEmail->setText(reader.email);
        edAddress->setText(reader.address);
        showPinState(reader.id);
    }
    dtRegistered->setDate(reader.registeredOn.isValid() ? reader.registeredOn : QDate::currentDate());
    chbValidUntil->setChecked(reader.validUntil.isValid());
    dtValidUntil->setEnabled(reader.validUntil.isValid());
    dtValidUntil->setDate(reader.validUntil.isValid() ? reader.validUntil : QDate::currentDate().addYears(1));
    chbBlocked->setChecked(reader.blocked);
    edBlockReason->setEnabled(reader.blocked);
    edBlockReason->setText(reader.blockReason);
    edNote->setPlainText(reader.note);
    setEditable(!viewOnly_);
    showLoans(reader.id ? reader.name : QString());
    edName->setFocus();
}

void TReaderCardForm::setEditable(bool on)
{
    for (QLineEdit *box : {edCard, edName, edDepartment, edBlockReason})
        box->setReadOnly(!on);
    edNote->setReadOnly(!on);
    for (QWidget *w : std::initializer_list<QWidget *>{cbCategory, dtRegistered, dtValidUntil, chbValidUntil, chbBlocked})
        w->setEnabled(on && (w != dtValidUntil || chbValidUntil->isChecked()));
}

void TReaderCardForm::showLoans(const QString &name)
{
    QList<store::ReaderLoan> loans;
    if (!name.isEmpty())
        ui::runGuarded(this, [&] {
            loans = store::readerLoans(connection_, name, store::readLoanPeriods(store::process().SettingsFile),
                                       QDate::currentDate(), false);
        });
    loans_->setLoans(loans);
    int open = 0;
    for (const store::ReaderLoan &l : loans)
        open += l.open ? 1 : 0;
    lblLoans->setText(QStringLiteral("&Выдачи: на руках %1, всего %2 (сначала те, что на руках)").arg(open).arg(loans.size()));
}

store::Reader TReaderCardForm::reader() const
{
    store::Reader r = shown_;
    r.card = edCard->text();
    r.name = edName->text();
    r.category = cbCategory->currentText();
    r.department = edDepartment->text();
    if (edPhone) {
        r.phone = edPhone->text();
        r.email = edEmail->text();
        r.address = edAddress->text();
    }
    r.registeredOn = dtRegistered->date();
    r.validUntil = chbValidUntil->isChecked() ? dtValidUntil->date() : QDate();
    r.blocked = chbBlocked->isChecked();
    r.blockReason = edBlockReason->text();
    r.note = edNote->toPlainText();
    return r;
}

void TReaderCardForm::accept()
{
    if (viewOnly_) {
        QDialog::reject();
        return;
    }
    if (ui::runRefusable(this, Caption, [this] {
            // A PIN that cannot be kept is refused before anything of the card is saved.
            if (edPin && !edPin->text().isEmpty() && !store::pinAcceptable(edPin->text()))
                store::setReaderPin(connection_, 0, edPin->text());
            savedId_ = store::saveReader(connection_, reader());
            savePin(savedId_);
        }))
        QDialog::accept();
}

void TReaderCardForm::showPinState(qint64 readerId)
{
    bool has = false;
    if (readerId)
        ui::runGuarded(this, [&] { has = store::readerHasPin(connection_, readerId); });
    edPin->clear();
    edPin->setEnabled(true);
    edPin->setPlaceholderText(has ? QStringLiteral("задан; введите новый, чтобы заменить") : QStringLiteral("не задан"));
    edPin->setAccessibleDescription(edPin->placeholderText());
    chbClearPin->setChecked(false);
    chbClearPin->setEnabled(has);
}

void TReaderCardForm::savePin(qint64 readerId)
{
    if (!edPin)
        return;
    if (chbClearPin->isChecked())
        store::clearReaderPin(connection_, readerId);
    else if (!edPin->text().isEmpty())
        store::setReaderPin(connection_, readerId, edPin->text());
}
