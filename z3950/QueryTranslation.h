#pragma once

#include "TermConditions.h"

#include <functional>
#include <yaz/z-core.h>

namespace z3950 {

// The most Boolean operators one query may join its terms with.
inline constexpr int MaxOperators = 64;
// The most values one query's condition may bind, result sets it names included.
inline constexpr int MaxValues = 4000;
// And the most characters of SQL its terms may make, well inside what either engine takes.
inline constexpr int MaxStatementCharacters = 2'000'000;

// The deepest parentheses a condition may open: SQLite's parser holds about thirty, fewer
// beside the nested REPLACE of a word search, and a set named in a query brings its own.
inline constexpr int MaxNesting = 24;

// The condition of a result set the query names, or nullptr when the session has no such set.
using ResultSetLookup = std::function<const SqlCondition *(const QString &name)>;

// A type-1 (RPN) query as one condition on books: each term by termCondition, joined by AND, OR
// and AND-NOT, a result set named in it by that set's own condition. Raises Bib1Error for what
// the query asks that the catalogue cannot (an attribute set other than Bib-1, proximity, a term
// type other than text and numbers, too many operators or values, nesting too deep).
SqlCondition translateQuery(const Z_RPNQuery &query, const ResultSetLookup &resultSets);

// How deep the parentheses of SQL nest, those inside its '...' literals aside.
int parenthesisDepth(const QString &sql);

} // namespace z3950
