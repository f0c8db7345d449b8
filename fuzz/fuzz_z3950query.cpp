// A query another library's client sends the Z39.50 or SRU target: PQF as it arrives over Z39.50,
// or CQL mapped through the target's own index file as SRU requests are. Whatever it holds, the
// condition made of it is either a Bib-1 diagnostic or SQL the catalogue's engine accepts, with
// one bound value per placeholder, inside the limits, and one statement only: the terms travel
// only as values.
#include "FuzzCheck.h"
#include "Bib1Error.h"
#include "QueryTranslation.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QFile>
#include <cstddef>
#include <cstdint>
#include <string>
#include <yaz/cql.h>
#include <yaz/pquery.h>

using fuzzcheck::check;

namespace {

sqlite3 *catalogue()
{
    static sqlite3 *db = [] {
        QFile schema(QStringLiteral(LIBRARY_SCHEMA_SQL));
        check(schema.open(QIODevice::ReadOnly), "the catalogue's schema is there");
        const QByteArray script = schema.readAll() +
                                  "INSERT INTO books (id, author, title, isbn, year_p) VALUES "
                                  "(1, 'Толстой, Лев', 'Война и мир', '5-02-013848-7', 1999);"
                                  "INSERT INTO keywords (keyword, book_id) VALUES ('роман', 1);";
        return fuzzcheck::memoryDatabase(script.constData());
    }();
    return db;
}

// The PQF an SRU client's CQL becomes, through the index file the target is installed with.
std::string cqlAsPqf(const std::string &cql)
{
    static cql_transform_t transform = cql_transform_open_fname(LIBRARY_CQL_PROPERTIES);
    check(transform != nullptr, "the CQL index file reads");
    CQL_parser parser = cql_parser_create();
    std::string pqf;
    if (cql_parser_string(parser, cql.c_str()) == 0) {
        const auto append = [](const char *piece, void *to) { static_cast<std::string *>(to)->append(piece); };
        if (cql_transform(transform, cql_parser_result(parser), append, &pqf) != 0)
            pqf.clear();
    }
    cql_parser_destroy(parser);
    return pqf;
}

void conditionRuns(const z3950::SqlCondition &condition, const QString &query)
{
    check(condition.values.size() <= z3950::MaxValues, "the values stay within the limit", query);
    check(condition.text.size() <= z3950::MaxStatementCharacters, "the SQL stays within the limit", query);
    const QByteArray sql = "SELECT count(*) FROM books WHERE " + condition.text.toUtf8();
    sqlite3_stmt *st = nullptr;
    const char *rest = nullptr;
    const int prepared = sqlite3_prepare_v2(catalogue(), sql.constData(), int(sql.size()), &st, &rest);
    check(prepared == SQLITE_OK, "the engine takes the condition",
          query + u'\n' + condition.text + u'\n' + QString::fromUtf8(sqlite3_errmsg(catalogue())));
    check(rest == sql.constData() + sql.size(), "no second statement follows", condition.text);
    check(sqlite3_bind_parameter_count(st) == condition.values.size(), "one value for each placeholder", condition.text);
    for (int i = 0; i < condition.values.size(); ++i) {
        const QByteArray v = condition.values[i].toString().toUtf8();
        sqlite3_bind_text(st, i + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    }
    check(sqlite3_step(st) == SQLITE_ROW, "the condition is searched", condition.text);
    sqlite3_finalize(st);
}

void translated(const std::string &pqf)
{
    ODR odr = odr_createmem(ODR_ENCODE);
    YAZ_PQF_Parser parser = yaz_pqf_create();
    Z_RPNQuery *rpn = yaz_pqf_parse(parser, odr, pqf.c_str());
    yaz_pqf_destroy(parser);
    const QString query = fuzzcheck::shown(QString::fromUtf8(pqf.data(), qsizetype(pqf.size())));
    if (rpn) {
        // A set the session made earlier is known by its own condition; any other name is not.
        const z3950::SqlCondition earlier{QStringLiteral("id IN (SELECT book_id FROM keywords WHERE keyword = ?)"),
                                          {QStringLiteral("роман")}};
        const auto sets = [&](const QString &name) { return name == QLatin1String("s") ? &earlier : nullptr; };
        try {
            conditionRuns(z3950::translateQuery(*rpn, sets), query);
        } catch (const z3950::Bib1Error &e) {
            check(e.code() > 0, "a diagnostic has a Bib-1 code", query);
        }
    }
    odr_destroy(odr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool cql = in.ConsumeBool();
    const std::string text = in.ConsumeRemainingBytesAsString();
    if (text.find('\0') != std::string::npos)
        return 0; // both arrive as C strings
    translated(cql ? cqlAsPqf(text) : text);
    return 0;
}
