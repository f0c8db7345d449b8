#pragma once

#include "BibDescription.h"

#include <QHash>
#include <QList>
#include <QString>
#include <memory>

namespace data {
class Connection;
class Dataset;
}

namespace store {

// A holding as labels, catalogue cards and reference lists print it.
struct PrintedHolding {
    QString invNum;
    QString liter;
    QString shelfMark; // a line "Шифр: ..." of the note, as the catalogue has no box of its own for it
    QString rubrics;   // the titles of its rubrics, "; " between them
    DescribedHolding fields;
};

// The inventory number as the catalogue writes it with its letter: "К-1234"; empty without a number.
QString inventoryNumberText(const QString &liter, const QString &invNum);

// The shelf mark a note gives on a line of its own, "Шифр: 84(2Рос=Рус)6 / Т52"; empty when none.
QString shelfMarkOf(const QString &notes);

// Titles of the rubrics by id, for the rubric texts of many holdings.
QHash<qint64, QString> readRubricTitles(data::Connection &connection);
// The titles of a rubric text's rubrics; a rubric deleted since is left out.
QString rubricTitles(const QString &rubricText, const QHash<qint64, QString> &titles);

// The catalogue's held rows read as printed holdings, each column found by name once.
class HoldingRows {
public:
    HoldingRows(const data::Dataset &books, const QHash<qint64, QString> &kindNames,
                const QHash<qint64, QString> &rubricTitles = {});
    ~HoldingRows();
    HoldingRows(const HoldingRows &) = delete;
    HoldingRows &operator=(const HoldingRows &) = delete;

    // The row at a position of the dataset's current order.
    DescribedHolding fields(int row) const;
    PrintedHolding holding(int row) const;

private:
    struct Columns;
    const data::Dataset &books_;
    QHash<qint64, QString> kindNames_;
    QHash<qint64, QString> rubricTitles_;
    std::unique_ptr<Columns> c_;
};

// The catalogue's rows at the given positions of its current order, or every row it shows when
// positions is empty. kindNames maps an item kind's id to its name; titles may be empty when the
// rubrics are not printed.
QList<PrintedHolding> readPrintedHoldings(const data::Dataset &books, const QList<int> &positions,
                                          const QHash<qint64, QString> &kindNames,
                                          const QHash<qint64, QString> &rubricTitles);

} // namespace store
