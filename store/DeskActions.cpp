// Lending, returning and extending at the desk, and undoing them: each one transaction that
// locks the holding first, so that two desks acting on one holding take turns.
#include "LendingDesk.h"

#include "ReaderNames.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/Transaction.h"
#include "data/dataset/Dataset.h"

namespace store {

namespace {

[[noreturn]] void refuse(const QString &why) { throw data::DataError(why, 0, data::ErrorKind::Refused); }

QString lockClause(data::Connection &connection)
{
    return connection.isServer() ? QStringLiteral(" FOR UPDATE") : QString();
}

QString quotedTitle(const QString &title)
{
    const QString shown = title.simplified();
    return shown.isEmpty() ? QString() : QStringLiteral(" «%1»").arg(shown);
}

// One open loan of a holding.
struct OpenLoanRow {
    qint64 orderId = 0;
    QString reader;
    QDate lent;
    QVariant status;
};

// The holding, locked until the transaction ends, and its open loans, oldest first.
std::pair<DeskHolding, QList<OpenLoanRow>> lockHolding(data::Connection &connection, qint64 bookId)
{
    data::Dataset lock(&connection);
    lock.setSql(QStringLiteral("SELECT id FROM books WHERE id = :id") + lockClause(connection));
    lock.paramByName(QStringLiteral("id")).value = bookId;
    lock.open();
    const auto holding = lock.isEmpty() ? std::nullopt : deskHolding(connection, bookId);
    if (!holding)
        refuse(QStringLiteral("Издание не найдено: возможно, его удалили на другом компьютере."));
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT id, loaner, date_out, status FROM orders WHERE book_id = :id AND date_in IS NULL"
                            " ORDER BY id") + lockClause(connection));
    q.paramByName(QStringLiteral("id")).value = bookId;
    q.open();
    QList<OpenLoanRow> open;
    for (q.first(); !q.eof(); q.next())
        open.push_back({q.field(0).asInteger(), q.field(1).asString(), q.field(2).asDate(), q.field(3).asVariant()});
    return {*holding, open};
}

const OpenLoanRow *loanOf(const QList<OpenLoanRow> &open, const Reader &reader)
{
    const QString key = readerNameKey(reader.name);
    for (const OpenLoanRow &loan : open)
        if (readerNameKey(loan.reader) == key)
            return &loan;
    return nullptr;
}

[[noreturn]] void refuseHeldByAnother(const DeskHolding &h, const OpenLoanRow &loan)
{
    const QString who = loan.reader.trimmed().isEmpty() ? QStringLiteral("без имени читателя")
                                                        : QStringLiteral("читателю «%1»").arg(loan.reader);
    const QString since = loan.lent.isValid() ? QStringLiteral(" с ") + shownDate(loan.lent) : QString();
    refuse(QStringLiteral("Издание %1%2 выдано %3%4: прежде его нужно вернуть.")
               .arg(h.shownCode(), quotedTitle(h.title), who, since));
}

DeskAction actionOn(DeskActionKind kind, const DeskHolding &h, const QString &reader, const DeskRules &rules)
{
    DeskAction a;
    a.kind = kind;
    a.bookId = h.bookId;
    a.holding = h.shownCode();
    a.title = h.title;
    a.reader = reader;
    a.day = rules.today;
    return a;
}

DeskAction lendTo(data::Connection &connection, const Reader &reader, const DeskHolding &h, const DeskRules &rules)
{
    if (reader.id == 0)
        refuse(QStringLiteral("Читателя «%1» нет в картотеке: запишите его в «Читатели», чтобы выдавать ему.").arg(reader.name));
    // As she is now: another desk may have blocked or renamed her.
    const auto current = readerById(connection, reader.id);
    if (!current)
        refuse(QStringLiteral("Читателя «%1» нет в картотеке: возможно, его удалили на другом компьютере.").arg(reader.name));
    if (current->blocked)
        refuse(QStringLiteral("Читатель «%1» заблокирован (%2): выдавать ему нельзя.")
                   .arg(current->name, current->blockReason.trimmed()));
    DeskAction a = actionOn(DeskActionKind::Lend, h, current->name, rules);
    a.warnings = lendingWarnings(*current, openLoanCount(connection, current->name), rules);
    connection.runStatement(QStringLiteral("INSERT INTO orders (book_id, loaner, date_out, status) VALUES (?, ?, ?, ?)"),
                            {h.bookId, current->name, rules.today, rules.requestKind});
    a.orderId = connection.lastInsertRowId();
    recordDueDate(connection, a.orderId, rules.periods);
    connection.runStatement(QStringLiteral("UPDATE books SET onloan = 1, loaner = ?, date_out = ? WHERE id = ?"),
                            {current->name, rules.today, h.bookId});
    a.due = dueDate(rules.today, rules.requestKind, rules.periods);
    return a;
}

DeskAction returnLoan(data::Connection &connection, const DeskHolding &h, const OpenLoanRow &loan, const DeskRules &rules)
{
    DeskAction a = actionOn(DeskActionKind::Return, h, loan.reader, rules);
    a.orderId = loan.orderId;
    a.due = currentDueDate(connection, loan.orderId, loan.lent, loan.status, rules.periods);
    connection.runStatement(QStringLiteral("UPDATE orders SET date_in = ? WHERE id = ?"), {rules.today, loan.orderId});
    mirrorOpenLoan(connection, h.bookId);
    return a;
}

DeskAction extendLoanOf(data::Connection &connection, const DeskHolding &h, const OpenLoanRow &loan, const DeskRules &rules)
{
    const QDate current = currentDueDate(connection, loan.orderId, loan.lent, loan.status, rules.periods);
    const QDate due = rules.today.addDays(rules.periods.forStatus(loan.status));
    if (current.isValid() && due <= current)
        refuse(QStringLiteral("Издание %1%2 и так выдано до %3: продлевать пока не на что.")
                   .arg(h.shownCode(), quotedTitle(h.title), shownDate(current)));
    extendLoan(connection, loan.orderId, due, rules.today, rules.periods);
    DeskAction a = actionOn(DeskActionKind::Extend, h, loan.reader, rules);
    a.orderId = loan.orderId;
    a.due = due;
    data::Dataset seq(&connection);
    seq.setSql(QStringLiteral("SELECT MAX(seq) FROM loan_terms WHERE order_id = :id"));
    seq.paramByName(QStringLiteral("id")).value = loan.orderId;
    seq.open();
    a.extensionSeq = seq.field(0).asInteger();
    return a;
}

enum class Wanted { AnyAction, Return, Extend };

DeskAction act(data::Connection &connection, const Reader &reader, qint64 bookId, Wanted wanted, const DeskRules &rules)
{
    data::Transaction transaction(connection);
    const auto [holding, open] = lockHolding(connection, bookId);
    const OpenLoanRow *hers = loanOf(open, reader);
    if (!hers && !open.isEmpty())
        refuseHeldByAnother(holding, open.first());
    if (!hers && wanted != Wanted::AnyAction)
        refuse(QStringLiteral("Издание %1%2 не выдано: %3 нечего.")
                   .arg(holding.shownCode(), quotedTitle(holding.title),
                        wanted == Wanted::Return ? QStringLiteral("возвращать") : QStringLiteral("продлевать")));
    const DeskAction done = !hers ? lendTo(connection, reader, holding, rules)
                            : wanted == Wanted::Extend ? extendLoanOf(connection, holding, *hers, rules)
                                                       : returnLoan(connection, holding, *hers, rules);
    transaction.commit();
    return done;
}

// The loan the action made or closed, as it is now: whether it is open, and whether it is there.
std::optional<bool> loanIsOpen(data::Connection &connection, qint64 orderId)
{
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT date_in FROM orders WHERE id = :id") + lockClause(connection));
    q.paramByName(QStringLiteral("id")).value = orderId;
    q.open();
    return q.isEmpty() ? std::nullopt : std::optional<bool>(q.field(0).isNull());
}

void undoLend(data::Connection &connection, const DeskAction &a)
{
    const auto open = loanIsOpen(connection, a.orderId);
    if (!open)
        refuse(QStringLiteral("Выдачи %1 уже нет: отменять нечего.").arg(a.holding));
    if (!*open)
        refuse(QStringLiteral("Издание %1 по этой выдаче уже вернули: отменить выдачу нельзя.").arg(a.holding));
    if (loanTermsExist(connection))
        connection.runStatement(QStringLiteral("DELETE FROM loan_terms WHERE order_id = ?"), {a.orderId});
    connection.runStatement(QStringLiteral("DELETE FROM orders WHERE id = ?"), {a.orderId});
}

void undoReturn(data::Connection &connection, const DeskAction &a, const QList<OpenLoanRow> &holdingOpen)
{
    const auto open = loanIsOpen(connection, a.orderId);
    if (!open)
        refuse(QStringLiteral("Выдачи %1 уже нет: отменять нечего.").arg(a.holding));
    if (*open)
        refuse(QStringLiteral("Возврат %1 уже отменён.").arg(a.holding));
    if (!holdingOpen.isEmpty())
        refuse(QStringLiteral("Издание %1 уже выдано снова (читателю «%2»): отменить возврат нельзя.")
                   .arg(a.holding, holdingOpen.first().reader));
    connection.runStatement(QStringLiteral("UPDATE orders SET date_in = NULL WHERE id = ?"), {a.orderId});
}

void undoExtension(data::Connection &connection, const DeskAction &a)
{
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT MAX(seq) FROM loan_terms WHERE order_id = :id"));
    q.paramByName(QStringLiteral("id")).value = a.orderId;
    q.open();
    if (q.field(0).asInteger() != a.extensionSeq)
        refuse(QStringLiteral("Выдачу %1 с тех пор продлевали или меняли: отменить это продление нельзя.").arg(a.holding));
    connection.runStatement(QStringLiteral("DELETE FROM loan_terms WHERE order_id = ? AND seq = ?"),
                            {a.orderId, a.extensionSeq});
}

} // namespace

QString DeskAction::text() const
{
    const QString what = holding + quotedTitle(title) + QStringLiteral(" — ") + reader;
    switch (kind) {
    case DeskActionKind::Lend: {
        QString line = QStringLiteral("Выдано: %1, вернуть до %2").arg(what, shownDate(due));
        return warnings.isEmpty() ? line : line + QStringLiteral(" (внимание: ") + warnings.join(QStringLiteral("; ")) + u')';
    }
    case DeskActionKind::Return: {
        const int late = daysOverdue(due, day);
        return QStringLiteral("Возвращено: ") + what +
               (late > 0 ? QStringLiteral(", с опозданием на %1 дн.").arg(late) : QString());
    }
    case DeskActionKind::Extend: return QStringLiteral("Продлено: %1, до %2").arg(what, shownDate(due));
    }
    return {};
}

QString DeskAction::undoneText() const
{
    const QString what = holding + quotedTitle(title) + QStringLiteral(" — ") + reader;
    switch (kind) {
    case DeskActionKind::Lend: return QStringLiteral("Отменена выдача: ") + what;
    case DeskActionKind::Return: return QStringLiteral("Отменён возврат: ") + what;
    case DeskActionKind::Extend: return QStringLiteral("Отменено продление: ") + what;
    }
    return {};
}

DeskAction scanHolding(data::Connection &connection, const Reader &reader, qint64 bookId, bool extend,
                       const DeskRules &rules)
{
    return act(connection, reader, bookId, extend ? Wanted::Extend : Wanted::AnyAction, rules);
}

DeskAction returnHolding(data::Connection &connection, const Reader &reader, qint64 bookId, const DeskRules &rules)
{
    return act(connection, reader, bookId, Wanted::Return, rules);
}

DeskAction extendHolding(data::Connection &connection, const Reader &reader, qint64 bookId, const DeskRules &rules)
{
    return act(connection, reader, bookId, Wanted::Extend, rules);
}

void undoDeskAction(data::Connection &connection, const DeskAction &action)
{
    data::Transaction transaction(connection);
    const auto [holding, open] = lockHolding(connection, action.bookId);
    switch (action.kind) {
    case DeskActionKind::Lend: undoLend(connection, action); break;
    case DeskActionKind::Return: undoReturn(connection, action, open); break;
    case DeskActionKind::Extend: undoExtension(connection, action); break;
    }
    mirrorOpenLoan(connection, action.bookId);
    transaction.commit();
}

void mirrorOpenLoan(data::Connection &connection, qint64 bookId)
{
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT loaner, date_out FROM orders WHERE book_id = :id AND date_in IS NULL ORDER BY id LIMIT 1"));
    q.paramByName(QStringLiteral("id")).value = bookId;
    q.open();
    if (q.isEmpty())
        connection.runStatement(QStringLiteral("UPDATE books SET onloan = 0, loaner = '', date_out = NULL WHERE id = ?"), {bookId});
    else
        connection.runStatement(QStringLiteral("UPDATE books SET onloan = 1, loaner = ?, date_out = ? WHERE id = ?"),
                                {q.field(0).asString(), q.field(1).asVariant(), bookId});
}

} // namespace store
