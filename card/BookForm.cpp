// The card's window: how it is shown and hidden, the page change that saves a new record,
// "ОК" and "Отмена", and the item kind with its liter.
#include "BookFormUnit.h"

#include "CardControls.h"
#include "DBModUnit.h"
#include "DatasetModel.h"
#include "DialogLook.h"
#include "ErrorBox.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "data/DataError.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

bool isEditing(const data::Dataset &ds)
{
    return ds.state() == data::DatasetState::Edit || ds.state() == data::DatasetState::Insert;
}

} // namespace

TBookForm::TBookForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("BookForm"));
    setWindowTitle(QStringLiteral("Карточка издания"));
    ui::useFixedDialogFrame(this);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 6);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);
    PageControl1->setFont(QFont(QStringLiteral("Tahoma"), 9));
    tshSummary = buildSummaryPage();
    tshDetails = buildDetailsPage();
    tshHistory = buildHistoryPage();
    PageControl1->addTab(tshSummary, QStringLiteral("Общая информация"));
    PageControl1->addTab(tshDetails, QStringLiteral("Описание"));
    PageControl1->addTab(tshHistory, QStringLiteral("История выдачи"));
    column->addWidget(PageControl1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OkBtn = new QPushButton(QStringLiteral("ОК"), this);
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    OkBtn->setAutoDefault(false);
    CancelBtn = new QPushButton(QStringLiteral("Отмена"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    column->addLayout(buttons);
    setFixedSize(550, 462);

    connect(OkBtn, &QPushButton::clicked, this, &TBookForm::OkBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TBookForm::CancelBtnClick);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TBookForm::pageChanged);
    // The librarian's choice of another kind, not the shown record changing, sets the liter.
    // This runs before the box's binding stores the choice, so the record still has the old kind.
    connect(cbItemKind, &QComboBox::activated, this, [this](int index) {
        const QVariant shown = dbMod_ ? dbMod_->MyBooks.fieldByName(QStringLiteral("itemkind_id")).asVariant() : QVariant();
        if (kindHandlerAttached_ && cbItemKind->itemData(index) != shown)
            cbItemKindChange();
    });
    connect(CatBoxButton, &QToolButton::clicked, this, &TBookForm::CatBoxEditButtons0Click);
    CatBox->installEventFilter(this);
    connect(btnEbook, &QPushButton::clicked, this, &TBookForm::btnEbookClick);
    connect(btnEbook, &QWidget::customContextMenuRequested, this, &TBookForm::btnEbookContextPopup);
    connect(SpeedButton1, &QToolButton::clicked, this, &TBookForm::SpeedButton1Click);
    connect(N2, &QAction::triggered, this, &TBookForm::N2Click);
    connect(N3, &QAction::triggered, this, &TBookForm::N3Click);
    connect(Button3, &QPushButton::clicked, this, &TBookForm::Button3Click);
    connect(btnCatalogues, &QPushButton::clicked, this, &TBookForm::btnCataloguesClick);
}

TBookForm::~TBookForm() = default;

bool TBookForm::runGuarded(const std::function<void()> &action) { return ui::runGuarded(this, action); }

void TBookForm::setDataModule(store::TDBMod *module)
{
    dbMod_ = module;
    bindSummaryPage();
    bindLoanSheet();
}

void TBookForm::FormCreate()
{
    const store::ProcessValues &p = store::process();
    if (!p.ConnectFailed)
        edYear->setMaximum(p.ThisYear);
}

void TBookForm::fillItemKinds()
{
    data::Dataset &kinds = dbMod_->myItemKinds;
    if (!kinds.active())
        kinds.open();
    const QSignalBlocker blocker(cbItemKind);
    cbItemKind->clear();
    for (int i = 0; i < kinds.recordCount(); ++i)
        cbItemKind->addItem(kinds.textAt(i, kinds.fieldIndex(QStringLiteral("itemkind_name"))),
                            kinds.valueAt(i, kinds.fieldIndex(QStringLiteral("id"))));
    const int shown = cbItemKind->findData(dbMod_->MyBooks.fieldByName(QStringLiteral("itemkind_id")).asVariant());
    cbItemKind->setCurrentIndex(shown);
}

void TBookForm::FormShow()
{
    runGuarded([this] { fillItemKinds(); });
    runGuarded([this] { CatBox->setText(dbMod_->RubricNames()); });
    runGuarded([this] {
        card::replaceList(edLoaner, dbMod_->DistinctValues(QStringLiteral("loaner"), QStringLiteral("orders"),
                                                     QStringLiteral("loaner ASC"), 50));
    });
    if (IsNewRecord) {
        runGuarded([this] {
            for (auto [box, field] : {std::pair{edPublisher, "publisher"}, {edLocation, "location"}, {edSource, "source"}}) {
                const QString name = QString::fromLatin1(field);
                card::replaceList(box, dbMod_->DistinctValues(name, QStringLiteral("books"), name + QStringLiteral(" ASC"), 50));
            }
        });
    }
    kindHandlerAttached_ = true;
    InitialLiter = DBLiter->text();
    loansChanged_ = false;
}

void TBookForm::FormHide() { kindHandlerAttached_ = false; }

void TBookForm::cbItemKindChange()
{
    const QString kind = cbItemKind->currentText();
    if (!InitialLiter.isEmpty() || kind.isEmpty())
        return;
    runGuarded([&] {
        data::Dataset &books = dbMod_->MyBooks;
        if (books.state() == data::DatasetState::Browse)
            books.edit();
        books.fieldByName(QStringLiteral("liter")).setValue(kind.left(1));
    });
}

bool TBookForm::CheckRequiredFields()
{
    QStringList missing;
    if (InvNum->text().isEmpty())
        missing << QStringLiteral("Инв. №");
    if (edTitle->toPlainText().isEmpty())
        missing << QStringLiteral("Название");
    if (missing.isEmpty())
        return true;
    ui::platform().messageBox(this, QStringLiteral("Заполните следующие поля: ") + missing.join(QStringLiteral(", ")),
                              QStringLiteral("Внимание"), ui::MsgIcon::Error, ui::Ok);
    return false;
}

bool TBookForm::PageControl1Changing()
{
    if (dbMod_->MyBooks.state() != data::DatasetState::Insert)
        return true;
    if (!CheckRequiredFields())
        return false;
    return runGuarded([this] { dbMod_->PostBooks(); });
}

void TBookForm::choosePage(QWidget *page)
{
    const bool change = PageControl1->currentWidget() != page;
    choosingPage_ = true;
    PageControl1->setCurrentWidget(page);
    previousPage_ = PageControl1->currentIndex();
    choosingPage_ = false;
    if (change && isVisible())
        runPageShow(page);
}

// Every way of changing the page (a click, a key, a screen reader) passes the same check; a
// refused change goes straight back before anything is drawn.
void TBookForm::pageChanged(int index)
{
    if (choosingPage_)
        return;
    if (!PageControl1Changing()) {
        choosingPage_ = true;
        PageControl1->setCurrentIndex(previousPage_);
        choosingPage_ = false;
        return;
    }
    previousPage_ = index;
    if (isVisible())
        runPageShow(PageControl1->widget(index));
}

void TBookForm::runPageShow(QWidget *page)
{
    if (page == tshDetails)
        tshDetailsShow();
    else if (page == tshHistory)
        tshHistoryShow();
}

void TBookForm::OkBtnClick()
{
    data::Dataset &books = dbMod_->MyBooks;
    if (isEditing(dbMod_->myOrders)) {
        if (!postLoan())
            return;
    } else if (loansChanged_) {
        // Loans saved in the grid (by moving to another row) or deleted there are mirrored too.
        if (!runGuarded([this] {
                dbMod_->MyBooks.edit();
                dbMod_->MirrorOpenLoan();
            }))
            return;
    }
    if (!isEditing(books)) {
        IsNewRecord = false;
        accept();
        return;
    }
    if (edTitle->toPlainText().isEmpty()) {
        ui::platform().messageBox(this, QStringLiteral("Пожалуйста, заполните поле \"Название\""),
                                  QStringLiteral("Не заполнены обязательные поля"), ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    runGuarded([this] { dbMod_->PostBooks(); });
    // A file that could not follow the record is reported, but the record itself is saved.
    if (isEditing(books))
        return;
    storeCatalogueKeywords();
    IsNewRecord = false;
    accept();
}

// The unsaved loan goes before the record it belongs to, so that moving off a dropped new record
// can never post the loan.
void TBookForm::CancelBtnClick()
{
    for (data::Dataset *ds : {&dbMod_->myOrders, &dbMod_->MyBooks}) {
        try {
            ds->cancel();
        } catch (const data::DataError &) {
        }
    }
    dbMod_->forgetEbookWritten();
    catalogueKeywords_.clear();
    QDialog::reject();
}

void TBookForm::reject() { CancelBtnClick(); }

void TBookForm::setCardFontSize(int points)
{
    QFont f = font();
    f.setPointSize(points);
    setFont(f);
    QFont pages = PageControl1->font();
    pages.setPointSize(points + 1);
    PageControl1->setFont(pages);
}

void TBookForm::applyViewOnly()
{
    OkBtn->setEnabled(false);
    edKeywords->setReadOnly(true);
    GroupBox1->setEnabled(false);
    SpeedButton1->setEnabled(false);
    btnCatalogues->setEnabled(false);
    DBGridEh1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    if (dbMod_)
        dbMod_->myOrders.setReadOnly(true);
}

void TBookForm::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
    runPageShow(PageControl1->currentWidget());
    // Typing starts where the page starts: the number of a record, the reader of a loan.
    if (PageControl1->currentWidget() == tshSummary)
        InvNum->setFocus();
    else if (PageControl1->currentWidget() == tshHistory)
        edLoaner->setFocus();
}

void TBookForm::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    FormHide();
}

bool TBookForm::eventFilter(QObject *watched, QEvent *event)
{
    const bool realFocusOut = event->type() == QEvent::FocusOut &&
                              static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason;
    if (watched == edKeywords) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                return true;
        }
        if (realFocusOut)
            edKeywordsExit();
    } else if (watched == DBComboBoxEh1 && realFocusOut) {
        DBComboBoxEh1Exit();
    } else if (watched == CatBox && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F4 || (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier))) {
            CatBoxEditButtons0Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
