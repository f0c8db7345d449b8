// What a scanned or typed text names at the lending desk: a reader by her card, holdings by code.
#include "LendingDesk.h"

#include "ScannedCode.h"
#include "data/Connection.h"
#include "data/dataset/Dataset.h"

namespace store {

namespace {

// The holdings that pass the condition, each with the first of its open loans.
QList<DeskHolding> holdingsWhere(data::Connection &connection, const QString &condition, const QVariant &value)
{
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT b.id, b.liter, b.inv_num, b.title, b.author, o.id, o.loaner, o.date_out FROM books b"
                            " LEFT JOIN orders o ON o.book_id = b.id AND o.date_in IS NULL WHERE ") +
             condition + QStringLiteral(" ORDER BY b.id, o.id"));
    q.paramByName(QStringLiteral("value")).value = value;
    q.open();
    QList<DeskHolding> found;
    for (q.first(); !q.eof(); q.next()) {
        const qint64 bookId = q.field(0).asInteger();
        if (!found.isEmpty() && found.last().bookId == bookId)
            continue;
        DeskHolding h;
        h.bookId = bookId;
        h.liter = q.field(1).asString();
        h.invNum = q.field(2).asInteger();
        h.title = q.field(3).asString();
        h.author = q.field(4).asString();
        h.orderId = q.field(5).asInteger();
        h.reader = q.field(6).asString();
        h.lent = q.field(7).asDate();
        found.push_back(h);
    }
    return found;
}

QList<DeskHolding> holdingsNamed(const QList<DeskHolding> &numbered, const ScannedCode &code)
{
    QList<DeskHolding> named;
    for (const DeskHolding &h : numbered)
        if (codeNamesHolding(code, h.liter, h.invNum))
            named.push_back(h);
    return named;
}

} // namespace

QString DeskHolding::shownCode() const { return shownHoldingCode(liter, invNum); }

std::optional<DeskHolding> deskHolding(data::Connection &connection, qint64 bookId)
{
    const QList<DeskHolding> found = holdingsWhere(connection, QStringLiteral("b.id = :value"), bookId);
    return found.isEmpty() ? std::nullopt : std::optional<DeskHolding>(found.first());
}

void ensureHoldingNumberIndex(data::Connection &connection)
{
    connection.runStatement(QStringLiteral("CREATE INDEX IF NOT EXISTS books_inv_num ON books (inv_num)"));
}

ScanMatch identifyScan(data::Connection &connection, const QString &text)
{
    ScanMatch match;
    match.reader = readerByCard(connection, text);
    const auto code = parseScannedCode(text);
    if (!code)
        return match;
    const QList<DeskHolding> numbered = holdingsWhere(connection, QStringLiteral("b.inv_num = :value"), code->number);
    match.holdings = holdingsNamed(numbered, *code);
    // Cyrillic that matches no letter may be a barcode's Latin typed under the Russian layout.
    const QString latin = latinKeysOf(code->letters);
    if (match.holdings.isEmpty() && !latin.isEmpty())
        match.holdings = holdingsNamed(numbered, {latin, code->number});
    return match;
}

} // namespace store
