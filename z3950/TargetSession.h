#pragma once

#include "CatalogueExchange.h"
#include "MarcCodec.h"
#include "RecordForms.h"
#include "TermConditions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>
#include <yaz/z-core.h>

namespace data {
class Connection;
class EngineStatement;
} // namespace data

namespace z3950 {

// The most result sets a session keeps by name.
inline constexpr int MaxResultSets = 16;

// One client's session: its result sets and the statements that read the catalogue. The sets
// live as long as the session (the frontend's association) and are gone with it.
class TargetSession {
public:
    // Over a catalogue open for reading; my_lower is registered on it here.
    explicit TargetSession(data::Connection &catalogue, const OwnDatabase &own = {});
    ~TargetSession();
    TargetSession(const TargetSession &) = delete;
    TargetSession &operator=(const TargetSession &) = delete;

    // Searches one database into the named set, replacing a set of that name, in the catalogue's
    // order (author, title) or by the SRU sort keys given; returns the number of hits. Raises
    // Bib1Error for a database the target has not, a query it cannot take or a failing catalogue.
    qint64 search(const QString &setName, const QStringList &databases, const Z_Query &query, const QString &sortKeys = {});

    // Checks that records start..start+count-1 are in the set before any is made.
    void checkRange(const QString &setName, qint64 start, qint64 count) const;

    struct Record {
        QByteArray bytes;
        RecordForm form;
        QString database;
        bool last = false; // the set's last record
    };
    // Record `position` (from 1) of the set, made by the export mapping in the form asked. Raises
    // Bib1Error; one with perRecord() concerns this record alone.
    Record fetch(const QString &setName, qint64 position, const Odr_oid *syntax, const char *elementSet);

    // Sorts a set into another (or itself) by Bib-1 sort keys (title, author, date).
    void sort(const QStringList &inputSets, const QString &outputSet, const Z_SortKeySpecList &keys);

    qint64 size(const QString &setName) const;

private:
    struct ResultSet {
        QString database;
        marc::Format format;
        SqlCondition condition;
        std::vector<qint64> ids;
    };
    const ResultSet &set(const QString &name) const;
    void keep(const QString &name, ResultSet set);
    std::vector<qint64> ids(const SqlCondition &condition, const QString &order);
    QByteArray recordBytes(qint64 id, const RecordForm &form);

    data::Connection &catalogue_;
    OwnDatabase own_;
    std::map<QString, ResultSet> sets_;
    std::unique_ptr<data::EngineStatement> book_, keywords_;
    std::unique_ptr<marc::RubricTitles> rubrics_;
    marc::YazMarc yaz_;
};

} // namespace z3950
