#include "ItemKindsFormUnit.h"

#include "CurrentRowLink.h"
#include "DBModUnit.h"
#include "DatasetModel.h"
#include "DbEditBinder.h"
#include "ErrorBox.h"
#include "Platform.h"
#include "DialogLook.h"

#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

TItemKindsForm::TItemKindsForm(store::TDBMod *dbMod, QWidget *parent) : QDialog(parent), dbMod_(dbMod)
{
    setObjectName(QStringLiteral("ItemKindsForm"));
    setWindowTitle(QStringLiteral("Виды изданий"));
    ui::useDialogFont(this);
    data::Dataset *kinds = &dbMod_->myItemKinds;

    grKindList = new QTableView(this);
    grKindList->setObjectName(QStringLiteral("grKindList"));
    grKindList->setAccessibleName(QStringLiteral("Виды изданий"));
    kindModel = new ui::DatasetModel(kinds, {{QStringLiteral("itemkind_name"), QString()}}, grKindList);
    kindModel->editable = true;
    grKindList->setModel(kindModel);
    grKindList->horizontalHeader()->hide();
    grKindList->verticalHeader()->hide();
    grKindList->horizontalHeader()->setStretchLastSection(true);
    grKindList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grKindList->setSelectionBehavior(QAbstractItemView::SelectRows);
    grKindList->setSelectionMode(QAbstractItemView::SingleSelection);
    grKindList->installEventFilter(this);
    ui::linkCurrentRow(grKindList, kindModel);

    lblName = new QLabel(QStringLiteral("Название"), this);
    edKindName = new QLineEdit(this);
    edKindName->setObjectName(QStringLiteral("edKindName"));
    lblName->setBuddy(edKindName);
    edKindName->setAccessibleName(lblName->text());
    new ui::DbEditBinder(edKindName, kinds, QStringLiteral("itemkind_name"));
    lblDescription = new QLabel(QStringLiteral("Описание"), this);
    edKindDescription = new QPlainTextEdit(this);
    edKindDescription->setObjectName(QStringLiteral("edKindDescription"));
    lblDescription->setBuddy(edKindDescription);
    edKindDescription->setAccessibleName(lblDescription->text());
    new ui::DbEditBinder(edKindDescription, kinds, QStringLiteral("description"));

    btnAdd = new QPushButton(QStringLiteral("Добавить"), this);
    btnDel = new QPushButton(QStringLiteral("Удалить"), this);
    btnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnDel->setObjectName(QStringLiteral("btnDel"));
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnAdd, &QPushButton::clicked, this, &TItemKindsForm::btnAddClick);
    connect(btnDel, &QPushButton::clicked, this, &TItemKindsForm::btnDelClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto *grid = new QGridLayout(this);
    grid->addWidget(grKindList, 0, 0, 5, 1);
    grid->addWidget(lblName, 0, 1);
    grid->addWidget(edKindName, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->addWidget(edKindDescription, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnDel);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    grid->addLayout(buttons, 5, 0, 1, 2);
    setFixedSize(480, 300);
}

bool TItemKindsForm::guarded(const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const data::DataError &e) {
        ui::showApplicationError(e, this);
        return false;
    }
}

void TItemKindsForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TItemKindsForm::FormShow()
{
    guarded([this] {
        if (!dbMod_->myItemKinds.active())
            dbMod_->myItemKinds.open();
    });
}

void TItemKindsForm::btnAddClick()
{
    if (!guarded([this] {
            dbMod_->myItemKinds.append();
            dbMod_->myItemKinds.fieldByName(QStringLiteral("itemkind_name")).setValue(QStringLiteral("Новый вид"));
        }))
        return;
    edKindName->setFocus();
}

void TItemKindsForm::btnDelClick()
{
    if (ui::platform().messageBox(this, QStringLiteral("Действительно хотите удалить? "), QStringLiteral("Удаление"),
                                  ui::MsgIcon::Warning, ui::Yes | ui::No) != ui::Yes)
        return;
    guarded([this] { dbMod_->myItemKinds.deleteRecord(); });
}

void TItemKindsForm::done(int result)
{
    data::Dataset &kinds = dbMod_->myItemKinds;
    const bool pending = kinds.state() == data::DatasetState::Edit || kinds.state() == data::DatasetState::Insert;
    if (pending && !guarded([&kinds] { kinds.post(); }))
        return;
    QDialog::done(result);
}

// Ctrl+Del in the list deletes the kind, after the question the grid asks before it.
bool TItemKindsForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grKindList && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
            if (ui::platform().messageBox(this, QStringLiteral("Удалить запись?"), QApplication::applicationName(),
                                          ui::MsgIcon::Question, ui::Yes | ui::No) == ui::Yes)
                guarded([this] { dbMod_->myItemKinds.deleteRecord(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
