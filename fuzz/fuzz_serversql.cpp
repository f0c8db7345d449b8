// The SQL sent to a server: any text a user types becomes one literal that reads back as typed
// and hides no placeholder or statement break; statements split and placeholders fill without
// losing or inventing text; my_lower is inlined only where it is called; a backup's char() calls
// move between the engines' words and back.
#include "FuzzCheck.h"
#include "data/engines/ServerSql.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

using fuzzcheck::check;

namespace {

// The text of a '...' literal with its doubled apostrophes undone.
QByteArray unquoted(const QByteArray &literal)
{
    QByteArray body = literal.mid(1, literal.size() - 2);
    return body.replace("''", "'");
}

void literalReadsBack(const QString &typed)
{
    const QByteArray literal = data::serverLiteral(typed);
    check(literal.startsWith('\'') && literal.endsWith('\''), "a text literal is quoted", QString::fromUtf8(literal));
    check(unquoted(literal) == typed.toUtf8(), "the literal reads back as typed", fuzzcheck::shown(typed));
    const QByteArray statement = "SELECT " + literal + " FROM t WHERE a = ?;";
    check(data::serverPlaceholders(statement).size() == 1, "only the real placeholder is found",
          QString::fromUtf8(statement));
    qsizetype rest = -1;
    check(data::splitServerStatements(statement, &rest).size() == 1 && rest == statement.size(),
          "a typed ';' breaks no statement", QString::fromUtf8(statement));
}

void statementText(const QByteArray &sql, const QString &value)
{
    // Splitting keeps the order of the text and loses none of it but the breaks.
    qsizetype rest = 0, at = 0;
    for (const data::SqlPiece &p : data::splitServerStatements(sql, &rest)) {
        check(p.start >= at && p.start + p.size <= sql.size() && sql[p.start + p.size] == ';', "pieces in order");
        at = p.start + p.size + 1;
    }
    check(rest >= at && rest <= sql.size(), "the rest follows the last piece");

    // Filled with quoted values, no placeholder is left outside them.
    const auto marks = data::serverPlaceholders(sql);
    QVariantList values;
    for (qsizetype i = 0; i < marks.size(); ++i)
        values << QVariant(value);
    const QByteArray filled = data::withLiterals(sql, marks, values);
    check(data::serverPlaceholders(filled).isEmpty(), "filled values hold no placeholder", QString::fromUtf8(filled));

    // Inlining changes nothing where my_lower is not named, and finds the same placeholders.
    const QByteArray inlined = store::inlineMyLower(sql);
    if (!sql.toLower().contains("my_lower"))
        check(inlined == sql, "no my_lower, no change", QString::fromUtf8(sql));
    check(data::serverPlaceholders(inlined).size() == marks.size(), "inlining keeps the placeholders",
          QString::fromUtf8(sql));

    // A backup's char() calls go to the server's words and back unchanged.
    if (!sql.toLower().contains("convert"))
        check(data::charCallsForSqlite(data::charCallsForServer(sql)) == sql, "char() calls come back",
              QString::fromUtf8(sql));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString value = QString::fromStdString(in.ConsumeRandomLengthString(64));
    const std::string rest = in.ConsumeRemainingBytesAsString();
    literalReadsBack(value);
    literalReadsBack(QString::fromStdString(rest));
    statementText(QByteArray::fromStdString(rest), value);
    return 0;
}
