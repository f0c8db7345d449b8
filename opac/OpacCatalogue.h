#pragma once

#include "LoanTerms.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace data {
class Connection;
}

namespace opac {

// A holding as a list of results shows it: its standard description and whether it is out.
struct HoldingLine {
    qint64 id = 0;
    QString heading, body; // the description's heading (may be empty) and the rest
    bool onLoan = false;
};

struct RubricRef {
    qint64 id = 0;
    QString title;
};

// A holding's own page. Of its loan only the due date: never who has it.
struct HoldingDetails {
    HoldingLine line;
    QString kindName, isbn, annotation;
    QStringList keywords;
    QList<QList<RubricRef>> rubrics; // each rubric with the rubrics above it, top first
    bool hasFile = false;
    QString fileExtension;           // ".pdf"; only a plain extension is ever used in a path
    bool lent = false;
    QDate due;                       // when lent; invalid when the loan has no date
    QString invNum;                  // the liter and number, as the shelf shows it
};

struct Rubric {
    qint64 id = 0;
    QString title;
    bool hasChildren = false;
};

// A loan of the reader signed in to "Мои книги".
struct MyLoan {
    QString heading, body;
    QDate lent, due;
    int daysOverdue = 0;
};

// What the web catalogue reads from the catalogue itself, every value bound to its statement.
class OpacCatalogue {
public:
    OpacCatalogue(data::Connection &connection, store::LoanPeriods periods)
        : connection_(connection), periods_(periods) {}

    // The holdings of the ids, in the order of the ids; ids no longer there are left out.
    QList<HoldingLine> lines(const std::vector<qint64> &ids);
    std::optional<HoldingDetails> holding(qint64 id);
    QList<Rubric> rubrics(qint64 parent);
    // The rubric and those above it, top first; empty for an unknown id.
    QList<RubricRef> rubricPath(qint64 id);
    // The reader's loans not yet returned, the most urgent first.
    QList<MyLoan> openLoans(qint64 readerId, const QDate &today);
    // Where the holding's electronic version lies below the files folder; empty when it has none.
    QString ebookPath(qint64 id, const QString &filesDir);

private:
    QStringList keywordsOf(qint64 id);
    QList<QList<RubricRef>> rubricsOf(const QString &rubricText);
    void readLoan(HoldingDetails &details);

    data::Connection &connection_;
    store::LoanPeriods periods_;
};

// The extension of an electronic version as the catalogue keeps it, when it is a plain one (a
// point and 1 to 10 letters or digits); empty otherwise, so that no stored text can lead a path
// out of the files folder.
QString plainExtension(const QString &stored);

} // namespace opac
