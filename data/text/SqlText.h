#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace data {

// A piece of SQL text as the statement assembly sees it: quoted strings, quoted names and
// comments are single tokens, so nothing inside them is taken for a macro, parameter or keyword.
struct SqlToken {
    enum Kind { Space, Comment, String, QuotedName, Word, Number, Macro, Param, Symbol };
    Kind kind;
    qsizetype start;
    qsizetype length;
    QStringView text(const QString &sql) const { return QStringView(sql).mid(start, length); }
};

std::vector<SqlToken> tokenizeSql(const QString &sql);

// Distinct names of the `&name` macros, in order of first appearance.
QStringList sqlMacroNames(const QString &sql);

// Replaces every `&name` by the text the lookup gives (nullopt leaves the macro in place).
QString expandSqlMacros(const QString &sql, const std::function<std::optional<QString>(const QString &)> &lookup);

// Distinct names of the `:name` parameters, in order of first appearance.
QStringList sqlParamNames(const QString &sql);

// Adds a condition to a SELECT statement: a WHERE clause of its own, or AND after the existing
// one put in brackets, placed before GROUP, HAVING, WINDOW, UNION, INTERSECT, EXCEPT, MINUS,
// ORDER, LIMIT or the ";" that ends the statement. A WITH clause is passed by.
QString addSqlCondition(const QString &sql, const QString &condition);

// The first table named after FROM at the outer level: the table a dataset posts its edits to;
// empty when the outer FROM reads a subquery.
QString sqlMainTable(const QString &sql);

} // namespace data
