#pragma once

#include <QCompleter>

class QStandardItemModel;

namespace data {
class Connection;
}

namespace ui {

// Offers registered readers while a name or a card number is typed: the list shows "name, билет
// N", any part of either finds her, and choosing her puts her name alone into the box.
class ReaderCompleter : public QCompleter {
    Q_OBJECT
public:
    explicit ReaderCompleter(QObject *parent = nullptr);

    // The register as it is now; nothing when the catalogue has none.
    void load(data::Connection &connection);
    // A name typed into the box is offered again while it stays open (the readers not registered).
    void offerTyped(const QString &name);
    int readerCount() const;

    QString pathFromIndex(const QModelIndex &index) const override;

    // The reader's id of an entry of the completion list; 0 for a name only typed.
    static qint64 readerIdOf(const QModelIndex &index);

signals:
    void readerChosen(qint64 readerId, const QString &name);

private:
    QStandardItemModel *entries_;
    int readers_ = 0;
};

} // namespace ui
