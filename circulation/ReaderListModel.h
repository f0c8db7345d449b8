#pragma once

#include "Readers.h"

#include <QAbstractTableModel>

// The readers of the register in a table. Without contacts (view mode, a terminal readers may
// use) the phone and e-mail columns are not there at all.
class ReaderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Card, Category, Department, Phone, Email, ValidUntil, Blocked };
    explicit ReaderListModel(bool showContacts, QObject *parent = nullptr);

    void setReaders(const QList<store::Reader> &readers);
    const store::Reader *readerAt(int row) const;
    // The row of a reader, -1 when she is not listed.
    int rowOf(qint64 readerId) const;
    Column columnAt(int section) const { return columns_.at(section); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<Column> columns_;
    QList<store::Reader> readers_;
};
