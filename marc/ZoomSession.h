#pragma once

#include "CatalogueSource.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace marc {

// One search over YAZ's ZOOM in asynchronous mode, driven by our own poll loop so that a stop
// or the timeout ends it between two events. Both protocol sources use it.
class ZoomSession {
public:
    struct Options {
        bool sru = false;
        QByteArray recordSyntax;  // Z39.50: usmarc, rusmarc, unimarc
        QByteArray schema;        // SRU: marcxml
    };
    ZoomSession(const CatalogueSource &source, Options options);
    ~ZoomSession();
    ZoomSession(const ZoomSession &) = delete;
    ZoomSession &operator=(const ZoomSession &) = delete;

    // Runs the query (PQF for Z39.50, CQL for SRU) and hands each record retrieved, with its
    // syntax as ZOOM names it, to the reader.
    SearchResult run(const QByteArray &query, int maxRecords,
                     const std::function<void(const QByteArray &syntax, const QByteArray &bytes, int number,
                                              SearchResult &result)> &reader);

private:
    bool waitUntilIdle(SearchResult &result);
    QString errorText(int code, const QString &message, const QString &addinfo) const;
    const CatalogueSource &source_;
    Options options_;
    struct Handles;
    Handles *h_;
};

// A term between double quotes, as PQF and CQL both take it.
QByteArray quotedTerm(const QString &term);

} // namespace marc
