// The lending desk's window: the scan strip, the reader, her open loans and this session's actions.
#include "DeskForm.h"

#include "DialogLook.h"
#include "ErrorBox.h"
#include "IniFile.h"
#include "ProcessValues.h"
#include "ReaderCompleter.h"
#include "ReaderLoansModel.h"
#include "Readers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

TDeskForm::TDeskForm(data::Connection &connection, bool viewOnly, QWidget *parent)
    : QDialog(parent), connection_(connection), viewOnly_(viewOnly)
{
    setObjectName(QStringLiteral("DeskForm"));
    setWindowTitle(viewOnly ? QStringLiteral("Выдача и возврат (просмотр)") : QStringLiteral("Выдача и возврат"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    ui::useDialogFont(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildScanStrip());
    auto *middle = new QSplitter(Qt::Horizontal, this);
    middle->addWidget(buildReaderPane());
    middle->addWidget(buildLoansPane());
    middle->setStretchFactor(1, 2);
    middle->setSizes({300, 680});
    layout->addWidget(middle, 3);
    layout->addWidget(buildSessionPane(), 2);
    connectHandlers();
    resize(980, 680);
}

QWidget *TDeskForm::buildScanStrip()
{
    auto *strip = new QGroupBox(this);
    auto *row = new QHBoxLayout(strip);
    edScan = new QLineEdit(strip);
    edScan->setObjectName(QStringLiteral("edScan"));
    edScan->setPlaceholderText(QStringLiteral("отсканируйте или наберите и нажмите Enter"));
    edReader = new QLineEdit(strip);
    edReader->setObjectName(QStringLiteral("edReader"));
    edReader->setPlaceholderText(QStringLiteral("фамилия или номер билета"));
    readerCompleter = new ui::ReaderCompleter(edReader);
    edReader->setCompleter(readerCompleter);
    cbRequestKind = new QComboBox(strip);
    cbRequestKind->setObjectName(QStringLiteral("cbRequestKind"));
    cbRequestKind->addItems(store::loanKindNames());
    cbRequestKind->setCurrentIndex(store::readDeskRequestKind(store::process().SettingsFile));
    row->addWidget(ui::buddyLabel(QStringLiteral("&Билет или код издания:"), edScan));
    row->addWidget(edScan, 2);
    row->addWidget(ui::buddyLabel(QStringLiteral("Читатель по &имени:"), edReader));
    row->addWidget(edReader, 2);
    row->addWidget(ui::buddyLabel(QStringLiteral("Вид &заявки:"), cbRequestKind));
    row->addWidget(cbRequestKind, 1);
    return strip;
}

QWidget *TDeskForm::buildReaderPane()
{
    auto *pane = new QGroupBox(QStringLiteral("Читатель"), this);
    auto *form = new QFormLayout(pane);
    auto value = [pane](const QString &name) {
        auto *label = new QLabel(pane);
        label->setObjectName(name);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        label->setWordWrap(true);
        return label;
    };
    lblReader = value(QStringLiteral("lblReader"));
    QFont bold = lblReader->font();
    bold.setBold(true);
    lblReader->setFont(bold);
    lblCard = value(QStringLiteral("lblCard"));
    lblCategory = value(QStringLiteral("lblCategory"));
    lblValidUntil = value(QStringLiteral("lblValidUntil"));
    lblBlock = value(QStringLiteral("lblBlock"));
    lblContacts = value(QStringLiteral("lblContacts"));
    lblWarnings = value(QStringLiteral("lblWarnings"));
    lblWarnings->setStyleSheet(QStringLiteral("color: #b00000"));
    form->addRow(QStringLiteral("Ф. И. О.:"), lblReader);
    form->addRow(QStringLiteral("Билет №:"), lblCard);
    form->addRow(QStringLiteral("Категория:"), lblCategory);
    form->addRow(QStringLiteral("Действителен до:"), lblValidUntil);
    form->addRow(QStringLiteral("Блокировка:"), lblBlock);
    // Contacts stay with the librarian: view mode may run at a terminal open to readers.
    if (!viewOnly_)
        form->addRow(QStringLiteral("Контакты:"), lblContacts);
    else
        lblContacts->hide();
    form->addRow(lblWarnings);
    return pane;
}

QWidget *TDeskForm::buildLoansPane()
{
    auto *pane = new QWidget(this);
    auto *column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    loans = new ReaderLoansModel(this);
    grLoans = new QTableView(pane);
    grLoans->setObjectName(QStringLiteral("grLoans"));
    grLoans->setModel(loans);
    grLoans->setSelectionBehavior(QAbstractItemView::SelectRows);
    grLoans->setSelectionMode(QAbstractItemView::SingleSelection);
    grLoans->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grLoans->verticalHeader()->hide();
    grLoans->horizontalHeader()->setSectionResizeMode(ReaderLoansModel::Title, QHeaderView::Stretch);
    grLoans->setColumnHidden(ReaderLoansModel::Returned, true);
    lblLoans = ui::buddyLabel(QStringLiteral("&На руках:"), grLoans);
    grLoans->setAccessibleName(QStringLiteral("Издания на руках у читателя"));
    chbExtend = new QCheckBox(QStringLiteral("Продлевать в&место возврата (F6)"), pane);
    chbExtend->setObjectName(QStringLiteral("chbExtend"));
    chbExtend->setToolTip(QStringLiteral("Код издания, которое у читателя, продлевает выдачу, а не возвращает издание"));
    btnReturn = new QPushButton(QStringLiteral("Ве&рнуть выбранное"), pane);
    btnReturn->setObjectName(QStringLiteral("btnReturn"));
    btnExtend = new QPushButton(QStringLiteral("Продлить в&ыбранное"), pane);
    btnExtend->setObjectName(QStringLiteral("btnExtend"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(chbExtend);
    buttons->addStretch(1);
    buttons->addWidget(btnReturn);
    buttons->addWidget(btnExtend);
    column->addWidget(lblLoans);
    column->addWidget(grLoans, 1);
    column->addLayout(buttons);
    return pane;
}

QWidget *TDeskForm::buildSessionPane()
{
    auto *pane = new QWidget(this);
    auto *column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    lstChoices = new QListWidget(pane);
    lstChoices->setObjectName(QStringLiteral("lstChoices"));
    lstChoices->setMaximumHeight(90);
    lblChoices = ui::buddyLabel(QString(), lstChoices);
    lstChoices->setAccessibleName(QStringLiteral("Что имелось в виду"));
    lstActions = new QListWidget(pane);
    lstActions->setObjectName(QStringLiteral("lstActions"));
    lblStatus = new QLabel(pane);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    btnUndo = new QPushButton(QStringLiteral("&Отменить последнее (F8)"), pane);
    btnUndo->setObjectName(QStringLiteral("btnUndo"));
    btnUndo->setEnabled(false);
    btnClose = new QPushButton(QStringLiteral("Закрыть"), pane);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblStatus, 1);
    buttons->addWidget(btnUndo);
    buttons->addWidget(btnClose);
    column->addWidget(lblChoices);
    column->addWidget(lstChoices);
    column->addWidget(ui::buddyLabel(QStringLiteral("&Действия за сеанс:"), lstActions));
    column->addWidget(lstActions, 1);
    column->addLayout(buttons);
    hideChoices();
    return pane;
}

void TDeskForm::connectHandlers()
{
    // Enter in a box must not press a default button of the window.
    for (QPushButton *b : {btnReturn, btnExtend, btnUndo, btnClose})
        b->setAutoDefault(false);
    connect(edScan, &QLineEdit::returnPressed, this, &TDeskForm::edScanReturn);
    connect(edReader, &QLineEdit::returnPressed, this, &TDeskForm::edReaderReturn);
    connect(readerCompleter, &ui::ReaderCompleter::readerChosen, this, [this](qint64 id) {
        std::optional<store::Reader> chosen;
        if (attempt([&] { chosen = store::readerById(connection_, id); }) && chosen)
            chooseReader(*chosen);
        // After the completer has put her name in the box: the box is left for the next reader.
        QMetaObject::invokeMethod(
            this, [this] {
                edReader->clear();
                edScan->setFocus();
            },
            Qt::QueuedConnection);
    });
    connect(lstChoices, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { lstChoicesActivate(lstChoices->row(item)); });
    connect(btnReturn, &QPushButton::clicked, this, &TDeskForm::btnReturnClick);
    connect(btnExtend, &QPushButton::clicked, this, &TDeskForm::btnExtendClick);
    connect(btnUndo, &QPushButton::clicked, this, &TDeskForm::btnUndoClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    connect(cbRequestKind, qOverload<int>(&QComboBox::activated), this, &TDeskForm::cbRequestKindChange);
    connect(new QShortcut(QKeySequence(Qt::Key_F6), this), &QShortcut::activated, chbExtend, &QCheckBox::toggle);
    connect(new QShortcut(QKeySequence(Qt::Key_F8), this), &QShortcut::activated, btnUndo, &QPushButton::click);
    for (QWidget *w : std::initializer_list<QWidget *>{edScan, grLoans, lstActions, lstChoices})
        w->installEventFilter(this);
    for (QWidget *w : std::initializer_list<QWidget *>{chbExtend, cbRequestKind, btnReturn, btnExtend, btnUndo})
        w->setEnabled(!viewOnly_ && w != btnUndo);
}

void TDeskForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The register as it is now: readers may have been added since the desk was last open.
    ui::runGuarded(this, [this] { readerCompleter->load(connection_); });
    edScan->setFocus();
}

// A scan while the focus is on a list would be lost in the list's own search: what is typed
// there goes to the scan box, and the focus with it.
bool TDeskForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        // A line feed ends a code as Enter does: some scanners and xdotool send it for "\n", and the
        // box would take it for nothing and run two codes together.
        if (watched == edScan) {
            if (text == u'\n' && key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) {
                edScanReturn();
                return true;
            }
            return QDialog::eventFilter(watched, event);
        }
        if (!text.isEmpty() && text.front().isPrint() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            edScan->setFocus();
            edScan->insert(text);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TDeskForm::cbRequestKindChange(int kind)
{
    if (store::IniFile *ini = store::process().SettingsFile)
        store::writeDeskRequestKind(*ini, kind);
    edScan->setFocus();
}
