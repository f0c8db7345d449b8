#include "Duplicates.h"

#include "Isbn.h"
#include "CellText.h"
#include "data/Connection.h"

#include <QRegularExpression>
#include <optional>

namespace marc {

namespace {

QString comparable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar c : text.toLower()) {
        if (c.isLetterOrNumber()) {
            if (blank && !out.isEmpty())
                out += u' ';
            out += c == u'ё' ? QChar(u'е') : c;
            blank = false;
        } else {
            blank = true;
        }
    }
    return out;
}

QString yearText(const std::optional<int> &year) { return year ? QString::number(*year) : QString(); }

} // namespace

QStringList isbnKeysOf(const QString &text, QStringList *wrong)
{
    QStringList keys;
    for (const QString &part : text.split(QRegularExpression(QStringLiteral("[;,]")))) {
        const IsbnFound found = findIsbn(part);
        if (found.checkDigitRight)
            keys << found.key();
        else if (!found.digits.isEmpty() && wrong)
            *wrong << part.trimmed();
    }
    return keys;
}

QString sameBookKey(const QString &author, const QString &title, const QString &year)
{
    return comparable(author) + u'\x1f' + comparable(title) + u'\x1f' + year;
}

DuplicateMarks::DuplicateMarks(data::Connection &connection)
{
    auto st = connection.prepare(QStringLiteral("SELECT isbn, author, title, year_p FROM books"));
    st->execute();
    std::vector<data::CellView> cells(4);
    while (st->next()) {
        st->readRow(cells.data());
        BookFields f;
        f.isbn = cellText(cells[0]);
        f.author = cellText(cells[1]);
        f.title = cellText(cells[2]);
        if (const QString year = cellText(cells[3]); !year.isEmpty())
            f.year = year.toInt();
        remember(f, 0);
    }
}

void DuplicateMarks::remember(const BookFields &f, int number)
{
    const QStringList keys = isbnKeysOf(f.isbn);
    for (const QString &key : keys)
        byIsbn_.insert(key, number);
    if (!f.title.isEmpty())
        byTitle_.insert(sameBookKey(f.author, f.title, yearText(f.year)), Known{number, keys});
}

DuplicateMarks::Mark DuplicateMarks::markNext(const BookFields &f, int number)
{
    QStringList wrong;
    const QStringList keys = isbnKeysOf(f.isbn, &wrong);
    std::optional<int> same;
    for (const QString &key : keys)
        if (const auto it = byIsbn_.constFind(key); it != byIsbn_.cend() && !same)
            same = *it;
    if (!same && !f.title.isEmpty()) {
        const QString key = sameBookKey(f.author, f.title, yearText(f.year));
        for (auto it = byTitle_.constFind(key); it != byTitle_.cend() && it.key() == key && !same; ++it)
            if (keys.isEmpty() || it->isbnKeys.isEmpty())
                same = it->number;
    }
    remember(f, number);
    QStringList text;
    if (same)
        text << (*same == 0 ? QStringLiteral("уже в каталоге") : QStringLiteral("повторяет запись %1").arg(*same));
    for (const QString &isbn : wrong)
        text << QStringLiteral("неверная контрольная цифра ISBN %1").arg(isbn);
    return {same.value_or(-1), text.join(QStringLiteral("; "))};
}

} // namespace marc
