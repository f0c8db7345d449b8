#pragma once

#include "CatalogueIndex.h"
#include "Html.h"
#include "OpacCatalogue.h"
#include "OpacRequest.h"

#include <QByteArray>
#include <functional>

namespace opac {

// What every page shows around its content.
struct PageContext {
    QString libraryName;
    bool signedIn = false;
};

// One page of a list of holdings.
struct ResultPage {
    qint64 total = 0;
    qint64 page = 1;  // 1-based, within 1 and pages
    qint64 pages = 1;
    QList<HoldingLine> lines;
};
inline constexpr int PageSize = 20;
// The page to show of `total` results when `asked` is asked for: a page past the end is the last.
ResultPage resultPage(qint64 total, qint64 asked);

// Every page is bytes made by one of these from rows; the HTTP layer only sends them.
QByteArray framedPage(const PageContext &context, const QString &title, const std::function<void(Html &)> &content);
QByteArray searchPage(const PageContext &context, const SearchRequest &request, const QList<ItemKind> &kinds,
                      const ResultPage *results);
QByteArray holdingPage(const PageContext &context, const HoldingDetails &holding, bool downloads);
QByteArray rubricsPage(const PageContext &context, const QList<RubricRef> &path, const QList<Rubric> &children,
                       const ResultPage &results);
QByteArray authorsPage(const PageContext &context, const QList<QChar> &letters, QChar letter,
                       const QStringList &headings);
QByteArray authorPage(const PageContext &context, const QString &heading, const ResultPage &results);
QByteArray newAcquisitionsPage(const PageContext &context, int days, const ResultPage &results);
QByteArray signInPage(const PageContext &context, const QString &card, const QString &message);
QByteArray myBooksPage(const PageContext &context, const QString &card, const QList<MyLoan> &loans);
QByteArray messagePage(const PageContext &context, const QString &title, const QString &text);

// Parts the pages share.
void writeResults(Html &html, const ResultPage &results, const QString &linkBase);
QString shownDay(const QDate &date);

} // namespace opac
