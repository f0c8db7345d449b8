#pragma once

// The due-date cases that must come out the same on the catalogue file and on the server: a
// small catalogue of loans around 1 March 2024 (a leap year), its overdue loans, extensions and
// the loan statistics. Each check returns early when it failed; the callers look at
// QTest::currentTestFailed() before going on.
#include "LoanStatistics.h"
#include "OverdueLoans.h"
#include "data/Connection.h"
#include "data/DataError.h"

#include <QtTest>

namespace circulation {

inline const QDate Day{2024, 3, 1};

// Seven holdings, six loans: periods 30, 30, 14 and 0 days by kind.
inline const QString Loans = QStringLiteral(
    "INSERT INTO books (id, inv_num, liter, author, title, date_reg, itemkind_id) VALUES"
    " (1, 1, 'К', 'Толстой', 'Война и мир', NULL, 1), (2, 2, NULL, NULL, '<Без названия> & \"кавычки\"', NULL, 1),"
    " (3, 3, 'Ж', 'Петров', 'Вестник', NULL, 2), (4, 4, 'К', 'Гоголь', 'Мёртвые души', NULL, 1),"
    " (5, 5, 'К', 'Чехов', 'Сад', NULL, 1), (6, 6, 'К', 'Бунин', 'Никогда не выдавалась', '2020-01-01', 1),"
    " (7, 7, 'К', 'Позже', 'Поступила после периода', '2025-01-01', 1);"
    "INSERT INTO orders (id, book_id, loaner, date_out, date_in, status, cost) VALUES"
    " (1, 1, 'Иванова', '2024-01-15', NULL, 0, 0),"          // due 14.02: 16 days late
    " (2, 2, 'Иванова', '2024-02-10', NULL, 2, 0),"          // due 24.02, extended below to 10.03
    " (3, 3, 'О''Брайен %_<b>', '2024-02-28', NULL, 3, 0),"  // reading room: due the same day, 2 days late
    " (4, 4, 'Петров', '2024-01-31', NULL, 1, 0),"           // due 01.03, the day itself: not late
    " (5, 5, 'Петров', '2024-01-01', '2024-02-20', 0, 0),"   // returned
    " (6, 5, NULL, '2024-01-05', NULL, NULL, 0);");           // no reader, no kind: 30 days, 26 late

inline QString describe(const QList<store::ReaderDebt> &debts)
{
    QStringList out;
    for (const store::ReaderDebt &d : debts) {
        QStringList loans;
        for (const store::OverdueLoan &l : d.loans)
            loans << QStringLiteral("%1:%2:%3").arg(l.invNum, store::shownDate(l.due)).arg(l.daysOverdue);
        out << (d.reader.isEmpty() ? QStringLiteral("-") : d.reader) + QStringLiteral(" ") + loans.join(u',');
    }
    return out.join(QStringLiteral(" | "));
}

inline QString describe(const QHash<qint64, QDate> &late)
{
    QList<qint64> ids = late.keys();
    std::sort(ids.begin(), ids.end());
    QStringList out;
    for (qint64 id : ids)
        out << QStringLiteral("%1:%2").arg(id).arg(store::shownDate(late.value(id)));
    return out.join(u' ');
}

// Extensions: refused ones say why; a granted one moves the due date and keeps the history.
inline void checkExtensions(data::Connection &c)
{
    const store::LoanPeriods periods;
    const auto refused = [&](qint64 order, QDate due) {
        try {
            store::extendLoan(c, order, due, Day, periods);
        } catch (const data::DataError &e) {
            return e.message();
        }
        return QStringLiteral("<extended>");
    };
    QCOMPARE(refused(5, QDate(2024, 3, 20)), QStringLiteral("Издание уже возвращено: продлевать нечего."));
    QCOMPARE(refused(99, QDate(2024, 3, 20)),
             QStringLiteral("Выдача не найдена: возможно, её удалили на другом компьютере."));
    // An extension never shortens the loan: not before its due date in force (24.02, then 03.03).
    const QString shorter = QStringLiteral("Новый срок возврата не может быть раньше нынешнего (%1): продление не сокращает срок.");
    QCOMPARE(refused(2, QDate(2024, 2, 20)), shorter.arg(QStringLiteral("24.02.2024")));
    store::extendLoan(c, 2, QDate(2024, 3, 3), QDate(2024, 2, 20), periods);
    QCOMPARE(refused(2, QDate(2024, 3, 2)), shorter.arg(QStringLiteral("03.03.2024")));
    store::extendLoan(c, 2, QDate(2024, 3, 10), QDate(2024, 2, 25), periods);
    const QList<store::LoanExtension> history = store::loanExtensions(c, 2);
    QCOMPARE(history.size(), 2);
    QCOMPARE(history.last().due, QDate(2024, 3, 10));
    QCOMPARE(history.first().extendedOn, QDate(2024, 2, 20));
    const store::OpenLoan open = store::firstOpenLoan(c, periods, 2);
    QCOMPARE(open.orderId, 2);
    QCOMPARE(open.due, QDate(2024, 3, 10));
    QCOMPARE(store::firstOpenLoan(c, periods, 6).orderId, 0);
}

inline const QString LateOnDay =
    QStringLiteral("Иванова 1:14.02.2024:16 | О'Брайен %_<b> 3:28.02.2024:2 | - 5:04.02.2024:26");

inline void checkOverdue(data::Connection &c)
{
    const store::LoanPeriods periods;
    QCOMPARE(describe(store::groupByReader(store::readOverdueLoans(c, periods, Day))), LateOnDay);
    QCOMPARE(describe(store::overdueHoldings(c, periods, Day)), QStringLiteral("1:14.02.2024 3:28.02.2024 5:04.02.2024"));
    QCOMPARE(describe(store::overdueHoldings(c, periods, Day, 3)), QStringLiteral("3:28.02.2024"));
    // A day later the loan due that day is late too; the extended one is not yet.
    QVERIFY(describe(store::groupByReader(store::readOverdueLoans(c, periods, Day.addDays(1))))
                .contains(QStringLiteral("Петров 4:01.03.2024:1")));
    // A day past: the loans out and late then, one returned since among them; on its return day it is not.
    QVERIFY(describe(store::groupByReader(store::readOverdueLoans(c, periods, QDate(2024, 2, 19))))
                .contains(QStringLiteral("Петров 5:31.01.2024:19")));
    QVERIFY(!describe(store::groupByReader(store::readOverdueLoans(c, periods, QDate(2024, 2, 20))))
                 .contains(QStringLiteral("Петров 5:")));
    // Longer periods for staff loans: the loan of 15 January is due on 15 March.
    store::LoanPeriods longer = periods;
    longer.days[0] = 60;
    QCOMPARE(describe(store::groupByReader(store::readOverdueLoans(c, longer, Day))),
             QStringLiteral("О'Брайен %_<b> 3:28.02.2024:2"));
}

inline void checkStatistics(data::Connection &c)
{
    const store::LoanStatistics s = store::readLoanStatistics(c, QDate(2024, 1, 1), QDate(2024, 2, 29));
    QCOMPARE(s.months.size(), 2);
    QCOMPARE(s.months[0].byKind, (std::array<qint64, 4>{3, 1, 0, 0}));
    QCOMPARE(s.months[1].byKind, (std::array<qint64, 4>{0, 0, 1, 1}));
    QCOMPARE(s.loans(), 6);
    QStringList holdings;
    for (const store::LentHolding &h : s.topHoldings)
        holdings << h.invNum + u'=' + QString::number(h.loans);
    QCOMPARE(holdings, (QStringList{"5=2", "1=1", "2=1", "3=1", "4=1"}));
    QStringList readers;
    for (const store::ActiveReader &r : s.topReaders)
        readers << r.reader + u'=' + QString::number(r.loans);
    QCOMPARE(readers, (QStringList{"Иванова=2", "Петров=2", "О'Брайен %_<b>=1"}));
    QCOMPARE(s.holdings, 6);
    QCOMPARE(s.lentHoldings, 5);
    const store::LoanStatistics none = store::readLoanStatistics(c, QDate(2030, 1, 1), QDate(2030, 1, 31));
    QCOMPARE(none.loans(), 0);
    QVERIFY(none.topHoldings.isEmpty() && none.topReaders.isEmpty());
}

} // namespace circulation
