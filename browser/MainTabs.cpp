// The item-kind tabs, the "Добавить" tab and moving records to another kind.
#include "Main.h"

#include "DBModUnit.h"
#include "EbookFiles.h"
#include "ImageList.h"
#include "MainGridView.h"
#include "Platform.h"
#include "ProcessValues.h"

#include <QAction>
#include <QMenu>
#include <QTabBar>

namespace {
// A stored name shows as it is stored: "&" is not taken for the mark of a keyboard accelerator.
QString asShown(QString name) { return name.replace(u'&', QStringLiteral("&&")); }
} // namespace

void TMainForm::buildTabs()
{
    tcKinds->setIconSize(QSize(16, 16));
    connect(tcKinds, &QTabBar::currentChanged, this, [this] {
        if (!tabsChanging_)
            tcKindsChange();
    });
}

void TMainForm::fillKindTabs()
{
    QStringList captions{QStringLiteral("Все")};
    KindIds = QStringList{QStringLiteral("0")};
    runGuarded([&] { dbMod_->LoadItemKinds(captions, KindIds); });
    tabsChanging_ = true;
    while (tcKinds->count() > 0)
        tcKinds->removeTab(0);
    for (const QString &caption : captions)
        tcKinds->addTab(asShown(caption));
    if (!store::process().ViewOnly)
        tcKinds->addTab(QStringLiteral("Добавить"));
    for (int i = 0; i < tcKinds->count(); ++i)
        tcKinds->setTabIcon(i, ui::sharedImage(tcKindsGetImageIndex(i)));
    tcKinds->setCurrentIndex(0);
    tabsChanging_ = false;
    miChangeKind->clear();
    for (int i = 1; i < captions.size(); ++i) {
        QAction *item = miChangeKind->addAction(asShown(captions[i]));
        item->setData(KindIds.value(i).toInt());
        connect(item, &QAction::triggered, this, [this, item] { miChangeKindClick(item); });
    }
}

int TMainForm::tcKindsGetImageIndex(int tabIndex) const { return tabIndex < KindIds.size() ? -1 : 5; }

void TMainForm::tcKindsChange()
{
    int index = tcKinds->currentIndex();
    if (index == KindIds.size()) {
        const auto name = ui::platform().prompt(this, QStringLiteral("Новый раздел ..."),
                                                QStringLiteral("Введите название нового раздела"), QString());
        if (name && !name->isEmpty()) {
            int id = index;
            // A tab index can name a kind that is already stored (kinds are deleted and added in
            // the item kinds dialog); then the kind takes the next free number instead.
            const bool added = runGuarded([&] {
                id = dbMod_->FreeItemKindId(index);
                dbMod_->AddItemKind(*name, id);
            });
            if (!added)
                return;
            KindIds << QString::number(id);
            tabsChanging_ = true;
            tcKinds->setTabText(index, asShown(*name));
            tcKinds->setTabIcon(index, QIcon());
            const int add = tcKinds->addTab(QStringLiteral("Добавить"));
            tcKinds->setTabIcon(add, ui::sharedImage(5));
            tabsChanging_ = false;
        } else {
            tabsChanging_ = true;
            tcKinds->setCurrentIndex(0);
            tabsChanging_ = false;
            index = 0;
        }
    }
    runGuarded([&] { dbMod_->SetKind(quint16(KindIds.value(index).toUInt())); });
    ShowRecordCount();
}

// The records' electronic versions follow them into the new kind's folder.
void TMainForm::miChangeKindClick(QAction *sender)
{
    data::Dataset &books = dbMod_->MyBooks;
    const QVariant kind = sender->data().toInt();
    QStringList ids;
    QList<std::pair<QString, QString>> files;
    const bool collected = runGuarded([&] {
        for (const QModelIndex &row : MainGrid->selectionModel()->selectedRows()) {
            books.setRecNo(row.row());
            ids << books.fieldByName(QStringLiteral("id")).asString();
            const QVariant inv = books.fieldByName(QStringLiteral("inv_num")).asVariant();
            const QVariant file = books.fieldByName(QStringLiteral("file")).asVariant();
            if (!file.isNull())
                files.push_back({dbMod_->EbookPath(), dbMod_->EbookPathOf(kind, inv, file)});
        }
    });
    // The files follow only records that did move.
    const bool moved = collected && runGuarded([&] {
        dbMod_->MyServer.runStatement(QStringLiteral("UPDATE books SET itemkind_id = ") + kind.toString() +
                                      QStringLiteral(" WHERE id IN (") + ids.join(QStringLiteral(", ")) + u')');
    });
    if (collected)
        runGuarded([&] { books.refresh(); });
    if (!moved)
        return;
    // A pair, not a structured binding: clang 14 cannot capture those in a lambda.
    for (const auto &move : files)
        if (move.first != move.second)
            runGuarded([&] { store::moveEbookFile(move.first, move.second); });
    ShowRecordCount();
}
