#include "data/text/SqlText.h"

namespace data {

namespace {

bool isIdentStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isIdentChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

qsizetype skipQuoted(const QString &s, qsizetype i, QChar close)
{
    // Returns the index just past the closing quote; a doubled quote is an escaped one.
    const qsizetype n = s.size();
    ++i;
    while (i < n) {
        if (s[i] == close) {
            if (close != u']' && i + 1 < n && s[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return n;
}

bool wordIs(const QString &sql, const SqlToken &t, QLatin1StringView word)
{
    return t.kind == SqlToken::Word && t.text(sql).compare(word, Qt::CaseInsensitive) == 0;
}

} // namespace

std::vector<SqlToken> tokenizeSql(const QString &s)
{
    std::vector<SqlToken> out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        const qsizetype start = i;
        SqlToken::Kind kind;
        if (c.isSpace()) {
            while (i < n && s[i].isSpace())
                ++i;
            kind = SqlToken::Space;
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n')
                ++i;
            kind = SqlToken::Comment;
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            const qsizetype end = s.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            kind = SqlToken::Comment;
        } else if (c == u'\'') {
            i = skipQuoted(s, i, u'\'');
            kind = SqlToken::String;
        } else if (c == u'"' || c == u'`' || c == u'[') {
            i = skipQuoted(s, i, c == u'[' ? QChar(u']') : c);
            kind = SqlToken::QuotedName;
        } else if ((c == u'&' || c == u':') && i + 1 < n && isIdentStart(s[i + 1])) {
            i += 2;
            while (i < n && isIdentChar(s[i]))
                ++i;
            kind = c == u'&' ? SqlToken::Macro : SqlToken::Param;
        } else if (isIdentStart(c)) {
            while (i < n && isIdentChar(s[i]))
                ++i;
            kind = SqlToken::Word;
        } else if (c.isDigit()) {
            while (i < n && (s[i].isLetterOrNumber() || s[i] == u'.'))
                ++i;
            kind = SqlToken::Number;
        } else {
            ++i;
            kind = SqlToken::Symbol;
        }
        out.push_back({kind, start, i - start});
    }
    return out;
}

static QStringList namesOf(const QString &sql, SqlToken::Kind kind)
{
    QStringList names;
    for (const auto &t : tokenizeSql(sql)) {
        if (t.kind != kind)
            continue;
        const QString name = t.text(sql).mid(1).toString();
        bool seen = false;
        for (const auto &known : names)
            seen = seen || known.compare(name, Qt::CaseInsensitive) == 0;
        if (!seen)
            names << name;
    }
    return names;
}

QStringList sqlMacroNames(const QString &sql) { return namesOf(sql, SqlToken::Macro); }
QStringList sqlParamNames(const QString &sql) { return namesOf(sql, SqlToken::Param); }

QString expandSqlMacros(const QString &sql, const std::function<std::optional<QString>(const QString &)> &lookup)
{
    QString out;
    out.reserve(sql.size());
    for (const auto &t : tokenizeSql(sql)) {
        if (t.kind == SqlToken::Macro) {
            if (const auto value = lookup(t.text(sql).mid(1).toString())) {
                out += *value;
                continue;
            }
        }
        out += t.text(sql);
    }
    return out;
}

// The clauses a WHERE must come before; a ";" ends the statement the condition belongs to.
static bool isStop(const QString &sql, const SqlToken &t)
{
    if (t.kind == SqlToken::Symbol)
        return sql[t.start] == u';';
    for (auto w : {QLatin1StringView("GROUP"), QLatin1StringView("HAVING"), QLatin1StringView("WINDOW"),
                   QLatin1StringView("UNION"), QLatin1StringView("INTERSECT"), QLatin1StringView("EXCEPT"),
                   QLatin1StringView("MINUS"), QLatin1StringView("ORDER"), QLatin1StringView("LIMIT")})
        if (wordIs(sql, t, w))
            return true;
    return false;
}

static int depthChange(const QString &sql, const SqlToken &t)
{
    if (t.kind != SqlToken::Symbol)
        return 0;
    const QChar c = sql[t.start];
    return c == u'(' ? 1 : c == u')' ? -1 : 0;
}

// True when the condition has an OR outside brackets, so that joining it with AND would change
// what it means unless it is bracketed.
static bool hasOuterOr(const QString &condition)
{
    int depth = 0;
    for (const auto &t : tokenizeSql(condition)) {
        depth += depthChange(condition, t);
        if (depth == 0 && wordIs(condition, t, QLatin1StringView("OR")))
            return true;
    }
    return false;
}

// True when the text ends inside a "--" comment, which would swallow whatever followed on its line.
static bool endsInLineComment(const QString &text)
{
    const auto tokens = tokenizeSql(text);
    return !tokens.empty() && tokens.back().kind == SqlToken::Comment && text[tokens.back().start] == u'-';
}

namespace {
// Where a condition goes: just past the outer WHERE keyword (-1 when there is none) and the
// start of the first clause that must follow it.
struct ConditionPlace {
    qsizetype whereEnd = -1;
    qsizetype stop = 0;
};
} // namespace

// The main SELECT is the first at the outer level, so the SELECTs of a WITH clause are passed by.
static ConditionPlace conditionPlace(const QString &sql)
{
    const auto tokens = tokenizeSql(sql);
    ConditionPlace place{-1, sql.size()};
    int depth = 0;
    bool inSelect = false;
    for (const auto &t : tokens) {
        depth += depthChange(sql, t);
        if (depth != 0 || t.kind == SqlToken::Space || t.kind == SqlToken::Comment)
            continue;
        if (!inSelect) {
            inSelect = wordIs(sql, t, QLatin1StringView("SELECT"));
        } else if (place.whereEnd < 0 && wordIs(sql, t, QLatin1StringView("WHERE"))) {
            place.whereEnd = t.start + t.length;
        } else if (isStop(sql, t)) {
            place.stop = t.start;
            break;
        }
    }
    return place;
}

QString addSqlCondition(const QString &sql, const QString &condition)
{
    const ConditionPlace place = conditionPlace(sql);
    qsizetype insertAt = place.stop;
    while (insertAt > 0 && sql[insertAt - 1].isSpace())
        --insertAt;
    // Line breaks before the closing brackets and the rest, so that a "--" comment at the end of
    // a condition cannot swallow them.
    const QString added = hasOuterOr(condition) ? u'(' + condition + QStringLiteral("\n)") : condition;
    const QString tail = sql.mid(insertAt).trimmed();
    const bool ownLine = !tail.isEmpty() && (!tail.startsWith(u';') || endsInLineComment(added));
    const QString rest = (ownLine ? QStringLiteral("\n") : QString()) + tail;
    if (place.whereEnd < 0)
        return sql.left(insertAt) + QStringLiteral("\nWHERE ") + added + rest;
    const QString existing = sql.mid(place.whereEnd, insertAt - place.whereEnd).trimmed();
    return sql.left(place.whereEnd) + QStringLiteral(" (") + existing + QStringLiteral("\n) AND ") + added + rest;
}

QString sqlMainTable(const QString &sql)
{
    const auto tokens = tokenizeSql(sql);
    int depth = 0;
    bool afterFrom = false;
    for (const auto &t : tokens) {
        const int change = depthChange(sql, t);
        // FROM (subquery): no table of its own to post edits to.
        if (afterFrom && change != 0)
            return {};
        depth += change;
        if (depth != 0 || t.kind == SqlToken::Space || t.kind == SqlToken::Comment || change != 0)
            continue;
        if (afterFrom) {
            if (t.kind == SqlToken::Word)
                return t.text(sql).toString();
            if (t.kind == SqlToken::QuotedName)
                return t.text(sql).mid(1, t.length - 2).toString();
            return {};
        }
        afterFrom = wordIs(sql, t, QLatin1StringView("FROM"));
    }
    return {};
}

} // namespace data
