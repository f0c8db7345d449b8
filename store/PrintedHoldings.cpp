#include "PrintedHoldings.h"

#include "HeldCells.h"
#include "RubricText.h"
#include "data/Connection.h"
#include "data/dataset/Dataset.h"

#include <QRegularExpression>

namespace store {

namespace {

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

} // namespace

QString inventoryNumberText(const QString &liter, const QString &invNum)
{
    const QString number = invNum.trimmed();
    const QString letter = liter.trimmed();
    return letter.isEmpty() || number.isEmpty() ? number : letter + u'-' + number;
}

QString shelfMarkOf(const QString &notes)
{
    if (!notes.contains(QStringLiteral("шифр"), Qt::CaseInsensitive))
        return {};
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

struct HoldingRows::Columns {
    int invNum, liter, author, title, location, publisher, year, pages, isbn, kind, notes, rubric;
};

HoldingRows::HoldingRows(const data::Dataset &books, const QHash<qint64, QString> &kindNames,
                         const QHash<qint64, QString> &rubricTitles)
    : books_(books), kindNames_(kindNames), rubricTitles_(rubricTitles), c_(std::make_unique<Columns>())
{
    auto at = [&books](const char *name) { return books.fieldIndex(QString::fromLatin1(name)); };
    *c_ = {at("inv_num"), at("liter"), at("author"),    at("title"),       at("location"), at("publisher"),
           at("year_p"),  at("page_count"), at("isbn"), at("itemkind_id"), at("notes"),    at("rubric")};
}

HoldingRows::~HoldingRows() = default;

DescribedHolding HoldingRows::fields(int row) const
{
    const data::Dataset &b = books_;
    return {heldText(b, row, c_->author),          heldText(b, row, c_->title),
            heldText(b, row, c_->location),        heldText(b, row, c_->publisher),
            int(heldInteger(b, row, c_->year)),    int(heldInteger(b, row, c_->pages)),
            heldText(b, row, c_->isbn),            kindNames_.value(heldInteger(b, row, c_->kind)),
            heldText(b, row, c_->notes)};
}

PrintedHolding HoldingRows::holding(int row) const
{
    PrintedHolding h;
    h.invNum = heldText(books_, row, c_->invNum);
    h.liter = heldText(books_, row, c_->liter).trimmed();
    h.fields = fields(row);
    h.shelfMark = shelfMarkOf(h.fields.notes);
    if (!rubricTitles_.isEmpty())
        h.rubrics = rubricTitles(heldText(books_, row, c_->rubric), rubricTitles_);
    return h;
}

QList<PrintedHolding> readPrintedHoldings(const data::Dataset &books, const QList<int> &positions,
                                          const QHash<qint64, QString> &kindNames,
                                          const QHash<qint64, QString> &rubricTitleMap)
{
    const HoldingRows rows(books, kindNames, rubricTitleMap);
    const int n = positions.isEmpty() ? books.recordCount() : int(positions.size());
    QList<PrintedHolding> holdings;
    holdings.reserve(n);
    for (int i = 0; i < n; ++i)
        holdings << rows.holding(positions.isEmpty() ? i : positions[i]);
    return holdings;
}

} // namespace store
