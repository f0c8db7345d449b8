#include "KeywordText.h"

namespace store {

namespace {
bool isSeparator(QChar c) { return c == u',' || c == u'\r' || c == u'\n'; }
bool isLeadingBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
} // namespace

QStringList splitKeywords(const QString &text)
{
    QStringList keywords;
    QString current;
    QChar quote;
    for (const QChar c : text) {
        if (!quote.isNull()) {
            current += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (isSeparator(c)) {
            if (!current.isEmpty())
                keywords << current;
            current.clear();
            continue;
        }
        if (current.isEmpty() && isLeadingBlank(c))
            continue;
        if (c == u'\'' || c == u'"')
            quote = c;
        current += c;
    }
    // An unclosed quote runs to the end of the text: what was typed is kept, not dropped.
    if (!current.isEmpty())
        keywords << current;
    return keywords;
}

QString joinKeywords(const QStringList &keywords) { return keywords.join(QStringLiteral(", ")); }

} // namespace store
