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
        QByteArray termCharset;   // Z39.50: the character set the terms are sent in; empty for UTF-8
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

// A term between double quotes as PQF takes it: a leading "@" would be read as an operator.
QByteArray pqfTerm(const QString &term);
// A term between double quotes as CQL takes it: "*", "?" and "^" are letters, not masks.
QByteArray cqlTerm(const QString &term);

// Text a catalogue sent without saying its character set: UTF-8 when it is valid UTF-8, else the
// catalogue's own (code page 1251 unless it is set otherwise).
QString catalogueText(const QByteArray &bytes, Charset charset);

} // namespace marc
