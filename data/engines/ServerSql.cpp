#include "data/engines/ServerSql.h"

#include <QDate>
#include <QDateTime>
#include <charconv>
#include <cmath>
#include <vector>

namespace data {

namespace {

// Skips a quoted run or a comment beginning at i; returns i itself when none begins there.
qsizetype skipQuotedOrComment(const QByteArray &s, qsizetype i)
{
    const qsizetype n = s.size();
    const char c = s[i];
    if (c == '\'' || c == '"' || c == '`') {
        for (qsizetype j = i + 1; j < n; ++j) {
            if (s[j] != c)
                continue;
            if (j + 1 < n && s[j + 1] == c) {
                ++j;
                continue;
            }
            return j + 1;
        }
        return n;
    }
    const bool dashes = c == '-' && i + 1 < n && s[i + 1] == '-' &&
                        (i + 2 >= n || static_cast<unsigned char>(s[i + 2]) <= ' ');
    if (dashes || c == '#') {
        const qsizetype end = s.indexOf('\n', i);
        return end < 0 ? n : end + 1;
    }
    if (c == '/' && i + 1 < n && s[i + 1] == '*') {
        const qsizetype end = s.indexOf("*/", i + 2);
        return end < 0 ? n : end + 2;
    }
    return i;
}

bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || static_cast<unsigned char>(c) >= 0x80; }

QByteArray quoted(QByteArray text, char quote)
{
    const char doubled[] = {quote, quote, '\0'};
    return quote + text.replace(quote, doubled) + quote;
}

} // namespace

bool onlyBlanksAndComments(const QByteArray &utf8, qsizetype from)
{
    for (qsizetype i = from; i < utf8.size();) {
        const char c = utf8[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        const qsizetype after = skipQuotedOrComment(utf8, i);
        if (after == i || c == '\'' || c == '"' || c == '`')
            return false;
        i = after;
    }
    return true;
}

QList<SqlPiece> splitServerStatements(const QByteArray &utf8, qsizetype *rest)
{
    QList<SqlPiece> pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < utf8.size();) {
        const qsizetype after = skipQuotedOrComment(utf8, i);
        if (after != i) {
            i = after;
            continue;
        }
        if (utf8[i] == ';') {
            const QByteArray piece = utf8.mid(start, i - start);
            if (!onlyBlanksAndComments(piece))
                pieces.push_back({start, i - start});
            start = i + 1;
        }
        ++i;
    }
    if (rest)
        *rest = start;
    return pieces;
}

QList<SqlPlaceholder> serverPlaceholders(const QByteArray &utf8)
{
    QList<SqlPlaceholder> found;
    for (qsizetype i = 0; i < utf8.size();) {
        const qsizetype after = skipQuotedOrComment(utf8, i);
        if (after != i) {
            i = after;
            continue;
        }
        const char c = utf8[i];
        if (c == '?') {
            found.push_back({i, 1, {}});
        } else if (c == ':' && i + 1 < utf8.size() && isNameStart(utf8[i + 1]) && (i == 0 || utf8[i - 1] != ':')) {
            qsizetype end = i + 1;
            while (end < utf8.size() && isNameChar(utf8[end]))
                ++end;
            found.push_back({i, end - i, utf8.mid(i + 1, end - i - 1)});
            i = end;
            continue;
        } else if (isNameChar(c)) {
            // A name or a number: a ":" or "?" inside it is no placeholder.
            while (i < utf8.size() && isNameChar(utf8[i]))
                ++i;
            continue;
        }
        ++i;
    }
    return found;
}

QByteArray serverLiteral(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QByteArrayLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QByteArray::number(value.toLongLong());
    case QMetaType::ULongLong:
        return QByteArray::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return QByteArrayLiteral("NULL");
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, d).ptr;
        QByteArray text(buffer, end - buffer);
        // "1e+20" is read by the server as a double too; a bare integer form stays exact.
        return text;
    }
    case QMetaType::QDate: return quoted(value.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8(), '\'');
    case QMetaType::QDateTime:
        return quoted(value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8(), '\'');
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return bytes.isEmpty() ? QByteArrayLiteral("''") : "X'" + bytes.toHex().toUpper() + '\'';
    }
    default: return quoted(value.toString().toUtf8(), '\'');
    }
}

QByteArray withLiterals(const QByteArray &utf8, const QList<SqlPlaceholder> &placeholders, const QVariantList &values)
{
    QByteArray out;
    out.reserve(utf8.size() + 16 * placeholders.size());
    qsizetype from = 0;
    for (qsizetype k = 0; k < placeholders.size(); ++k) {
        const SqlPlaceholder &p = placeholders[k];
        out.append(utf8.constData() + from, p.start - from);
        out += serverLiteral(k < values.size() ? values[k] : QVariant());
        from = p.start + p.size;
    }
    out.append(utf8.constData() + from, utf8.size() - from);
    return out;
}

QByteArray inlineCalls(const QByteArray &utf8, const QByteArray &functionName, const InlineCall &form)
{
    const QByteArray name = functionName.toLower();
    if (!utf8.toLower().contains(name))
        return utf8;
    QByteArray out;
    out.reserve(utf8.size() + 32);
    std::vector<int> closers; // bracket depths at which an inlined call ends
    int depth = 0;
    QByteArray lastWord; // "CREATE FUNCTION name(...)" declares the function, it calls nothing
    for (qsizetype i = 0; i < utf8.size();) {
        const qsizetype after = skipQuotedOrComment(utf8, i);
        if (after != i) {
            out.append(utf8.constData() + i, after - i);
            i = after;
            continue;
        }
        const char c = utf8[i];
        if (isNameChar(c)) {
            qsizetype end = i;
            while (end < utf8.size() && isNameChar(utf8[end]))
                ++end;
            qsizetype open = end;
            while (open < utf8.size() && (utf8[open] == ' ' || utf8[open] == '\t' || utf8[open] == '\r' || utf8[open] == '\n'))
                ++open;
            const bool qualified = i > 0 && (utf8[i - 1] == '.' || utf8[i - 1] == '`' || utf8[i - 1] == '"');
            const QByteArray word = utf8.mid(i, end - i).toLower();
            const bool declared = lastWord == "function";
            lastWord = word;
            if (!qualified && !declared && word == name && open < utf8.size() && utf8[open] == '(') {
                out += form.before;
                closers.push_back(++depth);
                i = open + 1;
                continue;
            }
            out.append(utf8.constData() + i, end - i);
            i = end;
            continue;
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (!closers.empty() && closers.back() == depth) {
                closers.pop_back();
                out += form.after;
                --depth;
                ++i;
                continue;
            }
            --depth;
        }
        out += c;
        ++i;
    }
    return out;
}

namespace {

// Rewrites each "from" that is followed by code points and "fromEnd" outside quoted text, written
// exactly as the backup writes them.
QByteArray rewriteCharCalls(const QByteArray &script, const QByteArray &from, const QByteArray &fromEnd,
                            const QByteArray &to, const QByteArray &toEnd)
{
    QByteArray out;
    out.reserve(script.size());
    for (qsizetype i = 0; i < script.size();) {
        const qsizetype after = skipQuotedOrComment(script, i);
        if (after != i) {
            out.append(script.constData() + i, after - i);
            i = after;
            continue;
        }
        if (script.mid(i, from.size()) == from) {
            qsizetype end = i + from.size();
            while (end < script.size() && ((script[end] >= '0' && script[end] <= '9') || script[end] == ','))
                ++end;
            if (end > i + qsizetype(from.size()) && script.mid(end, fromEnd.size()) == fromEnd) {
                out += to + script.mid(i + from.size(), end - i - from.size()) + toEnd;
                i = end + fromEnd.size();
                continue;
            }
        }
        out += script[i];
        ++i;
    }
    return out;
}

const QByteArray ServerCall = "CONVERT(char(", ServerEnd = " USING utf32) USING utf8mb4)";

} // namespace

QByteArray charCallsForServer(const QByteArray &script)
{
    return rewriteCharCalls(script, "||char(", ")", "||" + ServerCall, ServerEnd);
}

QByteArray charCallsForSqlite(const QByteArray &script)
{
    return rewriteCharCalls(script, "||" + ServerCall, ServerEnd, "||char(", ")");
}

QByteArray quotedServerName(const QString &name) { return quoted(name.toUtf8(), '`'); }

} // namespace data
