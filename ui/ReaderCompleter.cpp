#include "ReaderCompleter.h"

#include "Readers.h"

#include <QStandardItemModel>

namespace ui {

namespace {

constexpr int MatchRole = Qt::UserRole + 1; // what a typed text is looked for in
constexpr int NameRole = Qt::UserRole + 2;
constexpr int IdRole = Qt::UserRole + 3;

QStandardItem *entry(const QString &shown, const QString &match, const QString &name, qint64 id)
{
    auto *item = new QStandardItem(shown);
    item->setData(match, MatchRole);
    item->setData(name, NameRole);
    item->setData(id, IdRole);
    item->setEditable(false);
    return item;
}

} // namespace

ReaderCompleter::ReaderCompleter(QObject *parent) : QCompleter(parent), entries_(new QStandardItemModel(this))
{
    setModel(entries_);
    setCompletionRole(MatchRole);
    setCaseSensitivity(Qt::CaseInsensitive);
    setFilterMode(Qt::MatchContains);
    setCompletionMode(QCompleter::PopupCompletion);
    setMaxVisibleItems(12);
    connect(this, qOverload<const QModelIndex &>(&QCompleter::activated), this, [this](const QModelIndex &index) {
        emit readerChosen(readerIdOf(index), index.data(NameRole).toString());
    });
}

void ReaderCompleter::load(data::Connection &connection)
{
    const QList<store::Reader> readers = store::findReaders(connection, QString());
    entries_->clear();
    QList<QStandardItem *> items;
    items.reserve(readers.size());
    for (const store::Reader &r : readers)
        items << entry(QStringLiteral("%1, билет %2").arg(r.name, r.card), r.name + u' ' + r.card, r.name, r.id);
    // One column appended at once: a row at a time costs a signal each for 20,000 readers.
    entries_->appendColumn(items);
    readers_ = int(readers.size());
}

void ReaderCompleter::offerTyped(const QString &name)
{
    const QString typed = name.trimmed();
    if (typed.isEmpty())
        return;
    for (int row = 0; row < entries_->rowCount(); ++row)
        if (entries_->item(row)->data(NameRole).toString().compare(typed, Qt::CaseInsensitive) == 0)
            return;
    entries_->insertRow(0, entry(typed, typed, typed, 0));
}

int ReaderCompleter::readerCount() const { return readers_; }

QString ReaderCompleter::pathFromIndex(const QModelIndex &index) const { return index.data(NameRole).toString(); }

qint64 ReaderCompleter::readerIdOf(const QModelIndex &index) { return index.data(IdRole).toLongLong(); }

} // namespace ui
