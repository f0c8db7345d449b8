#include "BookFields.h"

#include <QRegularExpression>
#include <array>

namespace marc {

namespace {

struct FieldInfo {
    const char *column;
    const char *caption;
    const char *separator;
};

// In the order of BookField.
const std::array<FieldInfo, BookFieldCount> Info{{
    {"author", "Авторы, составители", "; "},
    {"title", "Название", "\r\n"},
    {"location", "Место издания", "; "},
    {"publisher", "Издательство", "; "},
    {"year_p", "Год издания", ""},
    {"page_count", "Кол-во стр.", ""},
    {"isbn", "ISBN", "; "},
    {"price", "Цена", ""},
    {"annotation", "Аннотация", "\r\n"},
    {"notes", "Примечание", "\r\n"},
    {"", "Ключевые слова", ", "},
}};

const FieldInfo &info(BookField field) { return Info[std::size_t(field)]; }

std::optional<int> firstNumber(const QString &text, const QRegularExpression &pattern)
{
    const QRegularExpressionMatch m = pattern.match(text);
    bool ok = false;
    const int n = m.hasMatch() ? m.captured(1).toInt(&ok) : 0;
    return ok ? std::optional<int>(n) : std::nullopt;
}

// "45 р. 50 к." is 45.50; otherwise the first number, with a comma or a full stop before its fraction.
std::optional<double> priceOf(const QString &text)
{
    static const QRegularExpression roubles(QStringLiteral("(\\d+)\\s*р\\.?\\s*(\\d{1,2})\\s*к"));
    static const QRegularExpression number(QStringLiteral("(\\d+(?:[.,]\\d+)?)"));
    if (const auto m = roubles.match(text); m.hasMatch())
        return m.captured(1).toDouble() + m.captured(2).toDouble() / 100.0;
    const auto m = number.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = QString(m.captured(1)).replace(u',', u'.').toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

QString numberText(const std::optional<int> &n) { return n ? QString::number(*n) : QString(); }

} // namespace

QString columnOf(BookField field) { return QString::fromLatin1(info(field).column); }
QString fieldCaption(BookField field) { return QString::fromUtf8(info(field).caption); }
QString itemSeparator(BookField field)
{
    // Made once: export asks for them for every holding.
    static const std::array<QString, BookFieldCount> separators = [] {
        std::array<QString, BookFieldCount> s;
        for (int i = 0; i < BookFieldCount; ++i)
            s[std::size_t(i)] = QString::fromLatin1(Info[std::size_t(i)].separator);
        return s;
    }();
    return separators[std::size_t(field)];
}

QString fieldText(const BookFields &f, BookField field)
{
    switch (field) {
    case BookField::Author: return f.author;
    case BookField::Title: return f.title;
    case BookField::Location: return f.location;
    case BookField::Publisher: return f.publisher;
    case BookField::Year: return numberText(f.year);
    case BookField::Pages: return numberText(f.pages);
    case BookField::Isbn: return f.isbn;
    case BookField::Price: return f.price ? QString::number(*f.price, 'f', 2) : QString();
    case BookField::Annotation: return f.annotation;
    case BookField::Notes: return f.notes;
    case BookField::Keywords: return f.keywords.join(itemSeparator(field));
    }
    return {};
}

void setFieldText(BookFields &f, BookField field, const QString &text)
{
    static const QRegularExpression year(QStringLiteral("(?<!\\d)(\\d{4})(?!\\d)"));
    static const QRegularExpression count(QStringLiteral("(\\d{1,9})"));
    // "c1991.", "[1983]"; a year of fewer digits only when there is no four-digit one.
    static const QRegularExpression shortYear(QStringLiteral("(?<!\\d)(\\d{1,3})(?!\\d)"));
    switch (field) {
    case BookField::Author: f.author = text; break;
    case BookField::Title: f.title = text; break;
    case BookField::Location: f.location = text; break;
    case BookField::Publisher: f.publisher = text; break;
    case BookField::Year: f.year = firstNumber(text, year) ? firstNumber(text, year) : firstNumber(text, shortYear); break;
    case BookField::Pages: f.pages = firstNumber(text, count); break;
    case BookField::Isbn: f.isbn = text; break;
    case BookField::Price: f.price = priceOf(text); break;
    case BookField::Annotation: f.annotation = text; break;
    case BookField::Notes: f.notes = text; break;
    case BookField::Keywords: f.keywords = text.isEmpty() ? QStringList() : QStringList{text}; break;
    }
}

} // namespace marc
