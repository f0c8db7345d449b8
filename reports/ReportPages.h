#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <array>

namespace data {
class Dataset;
}

// The period reports: the rows they read through the report dataset and the pages they make of
// them, as the bytes written to the file (code page 1251, CR LF), so that no window is needed
// to check a page.
namespace reports {

// " BETWEEN 'yyyy-mm-dd' AND 'yyyy-mm-dd')": appended by the callers to "(" and a column name.
QString periodClause(const QDate &from, const QDate &to);

struct AcquisitionCount {
    QString kindName;
    qint64 count = 0;
};

// Completed loans by request kind (0 to 3) and the sum charged for all of them.
struct LoanTotals {
    std::array<qint64, 4> byStatus{};
    qint64 costSum = 0;
};

struct ReaderLoan {
    QString invNum;
    QString title;
    QString dateOut;
    QString dateIn;
};

QList<AcquisitionCount> readAcquisitions(data::Dataset &rprtSet, const QString &clause);
LoanTotals readLoanTotals(data::Dataset &rprtSet, const QString &clause);
// The reader stays a LIKE pattern; only its apostrophes are doubled so that it cannot break out.
QString readerLoansSql(const QString &reader, const QString &clause);
QList<ReaderLoan> readReaderLoans(data::Dataset &rprtSet, const QString &reader, const QString &clause);

QByteArray generalReportPage(const QList<AcquisitionCount> &acquisitions, const LoanTotals &loans);
QByteArray readerReportPage(const QString &reader, const QList<ReaderLoan> &loans);

} // namespace reports
