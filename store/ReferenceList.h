#pragma once

#include "BibDescription.h"
#include "PrintedHoldings.h"

#include <QByteArray>
#include <QList>

namespace store {

// The descriptions in the order of a Russian reference list: by heading (or title) in Russian
// collation, entries that begin with a Latin letter after all others.
QList<BibDescription> sortedReferences(QList<BibDescription> entries);

// The numbered list as a page (code page 1251, CR LF), for the browser and the word processor.
QByteArray referenceListPage(const QList<BibDescription> &sorted);

// The page of the catalogue's rows at the positions given (every row it shows when empty),
// described and sorted.
QByteArray referenceListOf(const data::Dataset &books, const QList<int> &positions,
                           const QHash<qint64, QString> &kindNames);

} // namespace store
