#include "PrintedHoldings.h"

#include "RubricText.h"
#include "data/Connection.h"
#include "data/dataset/Dataset.h"

#include <QRegularExpression>

namespace store {

namespace {

QString heldText(const data::Dataset &books, int row, int column)
{
    if (column < 0)
        return {};
    const data::CellView c = books.cellAt(row, column);
    switch (c.type) {
    case data::CellType::Text: return QString::fromUtf8(c.bytes.data(), qsizetype(c.bytes.size()));
    case data::CellType::Integer: return QString::number(c.integer);
    case data::CellType::Float: return QString::number(c.real);
    default: return {};
    }
}

qint64 heldInteger(const data::Dataset &books, int row, int column)
{
    if (column < 0)
        return 0;
    const data::CellView c = books.cellAt(row, column);
    if (c.type == data::CellType::Integer)
        return c.integer;
    if (c.type == data::CellType::Float)
        return qint64(c.real);
    return heldText(books, row, column).trimmed().toLongLong();
}

// Columns looked up once by name: a catalogue may hold them in any order but the fixed ones.
struct Columns {
    int invNum, liter, author, title, location, publisher, year, pages, isbn, kind, notes, rubric;
    explicit Columns(const data::Dataset &b)
        : invNum(b.fieldIndex(QStringLiteral("inv_num"))), liter(b.fieldIndex(QStringLiteral("liter"))),
          author(b.fieldIndex(QStringLiteral("author"))), title(b.fieldIndex(QStringLiteral("title"))),
          location(b.fieldIndex(QStringLiteral("location"))), publisher(b.fieldIndex(QStringLiteral("publisher"))),
          year(b.fieldIndex(QStringLiteral("year_p"))), pages(b.fieldIndex(QStringLiteral("page_count"))),
          isbn(b.fieldIndex(QStringLiteral("isbn"))), kind(b.fieldIndex(QStringLiteral("itemkind_id"))),
          notes(b.fieldIndex(QStringLiteral("notes"))), rubric(b.fieldIndex(QStringLiteral("rubric")))
    {
    }
};

} // namespace

QString shelfMarkOf(const QString &notes)
{
    static const QRegularExpression mark(QStringLiteral("^\\s*Шифр\\s*[:.]?\\s*(.+?)\\s*$"),
                                         QRegularExpression::MultilineOption |
                                             QRegularExpression::CaseInsensitiveOption);
    return mark.match(QString(notes).replace(u'\r', u'\n')).captured(1);
}

QHash<qint64, QString> readRubricTitles(data::Connection &connection)
{
    data::Dataset query(&connection);
    query.setSql(QStringLiteral("SELECT id, title FROM categories"));
    query.open();
    QHash<qint64, QString> titles;
    for (int r = 0; r < query.recordCount(); ++r)
        titles.insert(heldInteger(query, r, 0), heldText(query, r, 1));
    return titles;
}

QString rubricTitles(const QString &rubricText, const QHash<qint64, QString> &titles)
{
    QStringList names;
    for (const QString &element : rubricElements(rubricText)) {
        bool ok = false;
        const qint64 id = LastRubricId(element).toLongLong(&ok);
        if (ok && titles.contains(id))
            names << titles.value(id);
    }
    return names.join(QStringLiteral("; "));
}

QList<PrintedHolding> readPrintedHoldings(const data::Dataset &books, const QList<int> &positions,
                                          const QHash<qint64, QString> &kindNames,
                                          const QHash<qint64, QString> &rubricTitleMap)
{
    const Columns c(books);
    const int n = positions.isEmpty() ? books.recordCount() : int(positions.size());
    QList<PrintedHolding> holdings;
    holdings.reserve(n);
    for (int i = 0; i < n; ++i) {
        const int r = positions.isEmpty() ? i : positions[i];
        PrintedHolding h;
        h.invNum = heldText(books, r, c.invNum);
        h.liter = heldText(books, r, c.liter).trimmed();
        h.fields = {heldText(books, r, c.author), heldText(books, r, c.title), heldText(books, r, c.location),
                    heldText(books, r, c.publisher), int(heldInteger(books, r, c.year)),
                    int(heldInteger(books, r, c.pages)), heldText(books, r, c.isbn),
                    kindNames.value(heldInteger(books, r, c.kind)), heldText(books, r, c.notes)};
        h.shelfMark = shelfMarkOf(h.fields.notes);
        if (!rubricTitleMap.isEmpty())
            h.rubrics = rubricTitles(heldText(books, r, c.rubric), rubricTitleMap);
        holdings << std::move(h);
    }
    return holdings;
}

} // namespace store
