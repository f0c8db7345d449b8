// A client's searches, result sets and records over the catalogue opened for reading.
#include "TargetSession.h"

#include "Bib1Error.h"
#include "CatalogueExchange.h"
#include "CellText.h"
#include "MarcMapping.h"
#include "MyLower.h"
#include "QueryTranslation.h"
#include "SortKeys.h"
#include "data/Connection.h"
#include "data/DataError.h"

#include <QDateTime>
#include <yaz/diagbib1.h>

namespace z3950 {

TargetSession::TargetSession(data::Connection &catalogue, const OwnDatabase &own) : catalogue_(catalogue), own_(own)
{
    catalogue_.addSqlFunction(QStringLiteral("my_lower"), 1, store::myLowerSqlFunction, store::MyLowerOnServer);
}

TargetSession::~TargetSession() = default;

qint64 TargetSession::search(const QString &setName, const QStringList &databases, const Z_Query &query, const QString &sortKeys)
{
    if (databases.size() != 1)
        throw Bib1Error(YAZ_BIB1_TOO_MANY_DATABASES_SPECIFIED, QString::number(databases.size()));
    const std::optional<marc::Format> format = databaseFormat(databases.first(), own_);
    if (!format)
        throw Bib1Error(YAZ_BIB1_DATABASE_DOES_NOT_EXIST, databases.first().left(60));
    if (query.which != Z_Query_type_1 && query.which != Z_Query_type_101)
        throw Bib1Error(YAZ_BIB1_QUERY_TYPE_UNSUPP, QString::number(query.which));
    if (!query.u.type_1)
        throw Bib1Error(YAZ_BIB1_MALFORMED_QUERY);
    if (sets_.size() >= std::size_t(MaxResultSets) && !sets_.contains(setName))
        throw Bib1Error(YAZ_BIB1_TOO_MANY_RESULT_SETS_CREATED, QString::number(MaxResultSets));
    ResultSet made{databases.first(), *format, {}, {}};
    made.condition = translateQuery(*query.u.type_1, [this](const QString &name) -> const SqlCondition * {
        const auto it = sets_.find(name);
        return it == sets_.end() ? nullptr : &it->second.condition;
    });
    made.ids = ids(made.condition, sruSortOrder(sortKeys));
    const qint64 hits = qint64(made.ids.size());
    keep(setName, std::move(made));
    return hits;
}

std::vector<qint64> TargetSession::ids(const SqlCondition &condition, const QString &order)
{
    try {
        auto st = catalogue_.prepare(QStringLiteral("SELECT id FROM books WHERE %1 ORDER BY %2").arg(condition.text, order));
        for (int i = 0; i < condition.values.size(); ++i)
            st->bind(i + 1, condition.values[i]);
        st->execute();
        std::vector<qint64> found;
        data::CellView cell;
        while (st->next()) {
            st->readRow(&cell);
            found.push_back(cell.integer);
        }
        return found;
    } catch (const data::DataError &e) {
        throw Bib1Error(YAZ_BIB1_TEMPORARY_SYSTEM_ERROR, e.message());
    }
}

void TargetSession::keep(const QString &name, ResultSet set)
{
    sets_.insert_or_assign(name, std::move(set));
}

const TargetSession::ResultSet &TargetSession::set(const QString &name) const
{
    const auto it = sets_.find(name);
    if (it == sets_.end())
        throw Bib1Error(YAZ_BIB1_SPECIFIED_RESULT_SET_DOES_NOT_EXIST, name.left(60));
    return it->second;
}

qint64 TargetSession::size(const QString &setName) const { return qint64(set(setName).ids.size()); }

void TargetSession::checkRange(const QString &setName, qint64 start, qint64 count) const
{
    const qint64 hits = size(setName);
    if (start < 1 || start > hits || count < 0 || count > hits - start + 1)
        throw Bib1Error(YAZ_BIB1_PRESENT_REQUEST_OUT_OF_RANGE, QString::number(start > hits || start < 1 ? start : start + count - 1));
}

TargetSession::Record TargetSession::fetch(const QString &setName, qint64 position, const Odr_oid *syntax, const char *elementSet)
{
    checkRange(setName, position, 1);
    const ResultSet &s = set(setName);
    Record r;
    r.form = recordForm(s.format, syntax, elementSet);
    r.database = s.database;
    r.last = position == qint64(s.ids.size());
    try {
        r.bytes = recordBytes(s.ids[std::size_t(position - 1)], r.form);
    } catch (const data::DataError &e) {
        // A server session lost is opened again by the next statement; these are made anew on it.
        book_.reset();
        keywords_.reset();
        rubrics_.reset();
        throw Bib1Error(YAZ_BIB1_SYSTEM_ERROR_IN_PRESENTING_RECORDS, e.message());
    }
    return r;
}

QByteArray TargetSession::recordBytes(qint64 id, const RecordForm &form)
{
    if (!book_) {
        QStringList columns;
        for (const char *c : marc::HoldingColumns)
            columns << QString::fromLatin1(c);
        book_ = catalogue_.prepare(QStringLiteral("SELECT %1 FROM books WHERE id = ?").arg(columns.join(QStringLiteral(", "))));
        keywords_ = catalogue_.prepare(QStringLiteral("SELECT keyword FROM keywords WHERE book_id = ? ORDER BY id"));
        rubrics_ = std::make_unique<marc::RubricTitles>(catalogue_);
    }
    book_->bind(1, id);
    book_->execute();
    std::array<data::CellView, marc::HoldingColumns.size()> cells{};
    if (!book_->next()) {
        book_->reset();
        // Deleted by the librarian since the search: this record alone is missing.
        throw Bib1Error(YAZ_BIB1_SYSTEM_ERROR_IN_PRESENTING_RECORDS, QStringLiteral("record deleted"), true);
    }
    book_->readRow(cells.data());
    marc::Holding holding = marc::holdingFromCells([&](int i) { return cells[std::size_t(i)]; });
    if (const data::CellView rubric = cells.back(); rubric.type == data::CellType::Text && !rubric.bytes.empty())
        holding.fields.rubrics = rubrics_->of(marc::cellText(rubric));
    book_->reset();
    keywords_->bind(1, id);
    keywords_->execute();
    data::CellView keyword;
    while (keywords_->next()) {
        keywords_->readRow(&keyword);
        holding.fields.keywords << marc::cellText(keyword);
    }
    keywords_->reset();
    const marc::Record record = marc::fromHolding(holding, form.format, QDateTime::currentDateTime());
    if (form.xml)
        return yaz_.writeMarcXml(record);
    QByteArray bytes;
    if (const QString problem = yaz_.appendIso2709(record, bytes); !problem.isEmpty())
        throw Bib1Error(YAZ_BIB1_RECORD_NOT_AVAILABLE_IN_REQUESTED_SYNTAX, problem, true);
    return bytes;
}

void TargetSession::sort(const QStringList &inputSets, const QString &outputSet, const Z_SortKeySpecList &keys)
{
    if (inputSets.size() != 1)
        throw Bib1Error(YAZ_BIB1_SORT_TOO_MANY_INPUT_RESULTS, QString::number(inputSets.size()));
    ResultSet sorted = set(inputSets.first());
    sorted.ids = ids(sorted.condition, sortOrder(keys));
    if (sets_.size() >= std::size_t(MaxResultSets) && !sets_.contains(outputSet))
        throw Bib1Error(YAZ_BIB1_TOO_MANY_RESULT_SETS_CREATED, QString::number(MaxResultSets));
    keep(outputSet, std::move(sorted));
}

} // namespace z3950
