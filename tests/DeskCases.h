#pragma once

// The lending desk on the catalogue file and on the server alike: what a scanned text names,
// lending, returning, extending and undoing on the six loans of CirculationCases.h around
// 1 March 2024, the refusals, and an action that fails half-way leaving nothing behind.
#include "CirculationCases.h"
#include "LendingDesk.h"
#include "ReaderCases.h"
#include "ReaderLoans.h"
#include "ScannedCode.h"

#include <QtTest>

namespace deskcases {

using readercases::column;
using readercases::errorOf;

// Beside the six loans: a holding of another letter with number 6, one whose letter ends in a
// digit, and four readers; card "6" is also an inventory number.
inline const QString Desk = QStringLiteral(
    "INSERT INTO books (id, inv_num, liter, title, itemkind_id, onloan, loaner) VALUES (8, 6, 'Ж', 'Журнал', 2, 0, ''),"
    " (9, 9, 'A1', 'Атлас', 1, 0, '');"
    "INSERT INTO readers (id, card_number, full_name, name_key, category, blocked, block_reason, valid_until) VALUES"
    " (1, '1001', 'Иванова', 'иванова', 'Студент', 0, NULL, NULL),"
    " (2, '1002', 'Петров', 'петров', 'Сотрудник', 1, 'утерян билет', NULL),"
    " (3, '7', 'Сидорова', 'сидорова', 'Гость', 0, NULL, '2024-01-31'),"
    " (4, '6', 'Шестакова', 'шестакова', NULL, 0, NULL, NULL)");

inline store::DeskRules rules()
{
    store::DeskRules r;
    r.today = circulation::Day;
    r.limits.byCategory.insert(QStringLiteral("студент"), 2);
    r.requestKind = 0;
    return r;
}

inline store::Reader reader(data::Connection &c, qint64 id) { return *store::readerById(c, id); }

inline QString describe(const store::ScanMatch &m)
{
    QStringList codes;
    for (const store::DeskHolding &h : m.holdings)
        codes << h.shownCode() + (h.orderId ? u'@' + h.reader : QString());
    return (m.reader ? m.reader->name : QStringLiteral("-")) + u'|' + codes.join(u',');
}

inline QString describe(const QList<store::ReaderLoan> &loans)
{
    QStringList out;
    for (const store::ReaderLoan &l : loans)
        out << QStringLiteral("%1:%2:%3").arg(store::shownHoldingCode(l.liter, l.invNum),
                                             l.open ? store::shownDate(l.due) : u'в' + store::shownDate(l.returned))
                   .arg(l.daysOverdue);
    return out.join(u' ');
}

// The loan fields of a holding: "onloan loaner date_out".
inline QString mirror(data::Connection &c, qint64 bookId)
{
    return column(c, QStringLiteral("SELECT onloan || ' ' || COALESCE(loaner, '') || ' ' || COALESCE(CAST(date_out AS CHAR), '-')"
                                    " FROM books WHERE id = %1").arg(bookId))
        .value(0);
}

// A scanned or typed text, and what it must name.
inline const std::pair<const char *, const char *> Scans[] = {
    {"1001", "Иванова|"},            {" 1001 ", "Иванова|"},      {"K1", "-|К-1@Иванова"},
    {"К-1", "-|К-1@Иванова"},        {"к 1", "-|К-1@Иванова"},    {"1", "-|К-1@Иванова"},
    {"6", "Шестакова|К-6,Ж-6"},      {"ZH6", "-|Ж-6"},            {"zh-6", "-|Ж-6"},
    {"Ж6", "-|Ж-6"},                 {"ЯР6", "-|Ж-6"},            {"Л6", "-|К-6"},
    {"A1-9", "-|A1-9"},              {"2", "-|2@Иванова"},        {"K2", "-|"},
    {"X999", "-|"},                  {"Иванова", "-|"},           {"", "-|"},
    {"K-0006", "-|К-6"},             {"5", "-|К-5@"},
};

inline void checkScans(data::Connection &c)
{
    for (const auto &[text, expected] : Scans)
        QCOMPARE(describe(store::identifyScan(c, QString::fromUtf8(text))), QString::fromUtf8(expected));
}

// Lend, return, extend, each undone; the refusals name who has a holding and since when.
inline void checkActions(data::Connection &c)
{
    const store::DeskRules r = rules();
    const store::Reader ivanova = reader(c, 1);
    store::DeskAction lent = store::scanHolding(c, ivanova, 6, false, r);
    QCOMPARE(lent.text(), QStringLiteral("Выдано: К-6 «Никогда не выдавалась» — Иванова, вернуть до 31.03.2024 (внимание: "
                                         "сверх предела: теперь на руках 3, предел для категории «Студент» (2))"));
    QCOMPARE(mirror(c, 6), QStringLiteral("1 Иванова 2024-03-01"));
    QCOMPARE(column(c, QStringLiteral("SELECT CAST(due_date AS CHAR) FROM loan_terms WHERE order_id = %1").arg(lent.orderId)),
             QStringList{"2024-03-31"});
    QCOMPARE(errorOf([&] { store::scanHolding(c, ivanova, 4, false, r); }),
             QStringLiteral("Издание К-4 «Мёртвые души» выдано читателю «Петров» с 31.01.2024: прежде его нужно вернуть."));
    QCOMPARE(errorOf([&] { store::scanHolding(c, ivanova, 5, false, r); }),
             QStringLiteral("Издание К-5 «Сад» выдано без имени читателя с 05.01.2024: прежде его нужно вернуть."));

    c.runStatement(QStringLiteral("UPDATE books SET onloan = 1, loaner = 'Иванова', date_out = '2024-01-15' WHERE id = 1"));
    const store::DeskAction back = store::scanHolding(c, ivanova, 1, false, r);
    QCOMPARE(back.text(), QStringLiteral("Возвращено: К-1 «Война и мир» — Иванова, с опозданием на 16 дн."));
    QCOMPARE(mirror(c, 1), QStringLiteral("0  -"));
    store::undoDeskAction(c, back);
    QCOMPARE(mirror(c, 1), QStringLiteral("1 Иванова 2024-01-15"));
    QCOMPARE(column(c, QStringLiteral("SELECT COUNT(*) FROM orders WHERE id = 1 AND date_in IS NULL")), QStringList{"1"});

    const store::DeskAction longer = store::scanHolding(c, ivanova, 2, true, r);
    QCOMPARE(longer.text(), QStringLiteral("Продлено: 2 «<Без названия> & \"кавычки\"» — Иванова, до 15.03.2024"));
    QCOMPARE(errorOf([&] { store::extendHolding(c, ivanova, 2, r); }),
             QStringLiteral("Издание 2 «<Без названия> & \"кавычки\"» и так выдано до 15.03.2024: продлевать пока не на что."));
    store::undoDeskAction(c, longer);
    QCOMPARE(store::firstOpenLoan(c, r.periods, 2).due, QDate(2024, 2, 24));

    store::undoDeskAction(c, lent);
    QCOMPARE(mirror(c, 6), QStringLiteral("0  -"));
    QCOMPARE(column(c, QStringLiteral("SELECT COUNT(*) FROM orders WHERE book_id = 6")), QStringList{"0"});
    QCOMPARE(column(c, QStringLiteral("SELECT COUNT(*) FROM loan_terms WHERE order_id = %1").arg(lent.orderId)), QStringList{"0"});
    QCOMPARE(errorOf([&] { store::undoDeskAction(c, lent); }), QStringLiteral("Выдачи К-6 уже нет: отменять нечего."));
}

// A blocked reader returns but does not borrow; an expired card is a warning; an action undone
// after another desk changed the loan is refused.
inline void checkRefusals(data::Connection &c)
{
    const store::DeskRules r = rules();
    const store::Reader petrov = reader(c, 2), sidorova = reader(c, 3), ivanova = reader(c, 1);
    QCOMPARE(errorOf([&] { store::scanHolding(c, petrov, 7, false, r); }),
             QStringLiteral("Читатель «Петров» заблокирован (утерян билет): выдавать ему нельзя."));
    QCOMPARE(store::scanHolding(c, petrov, 4, false, r).kind, store::DeskActionKind::Return);
    const store::DeskAction expired = store::scanHolding(c, sidorova, 7, false, r);
    QCOMPARE(expired.warnings, QStringList{"билет просрочен (действителен до 31.01.2024)"});
    QCOMPARE(errorOf([&] { store::returnHolding(c, ivanova, 9, r); }),
             QStringLiteral("Издание A1-9 «Атлас» не выдано: возвращать нечего."));

    // Another desk returns the loan, then lends the holding again: neither the lend nor the
    // return can be undone any more.
    store::returnHolding(c, sidorova, 7, r);
    QCOMPARE(errorOf([&] { store::undoDeskAction(c, expired); }),
             QStringLiteral("Издание К-7 по этой выдаче уже вернули: отменить выдачу нельзя."));
    const store::DeskAction returned = store::scanHolding(c, ivanova, 1, false, r);
    store::scanHolding(c, sidorova, 1, false, r);
    QCOMPARE(errorOf([&] { store::undoDeskAction(c, returned); }),
             QStringLiteral("Издание К-1 уже выдано снова (читателю «Сидорова»): отменить возврат нельзя."));
    QCOMPARE(mirror(c, 1), QStringLiteral("1 Сидорова 2024-03-01"));
}

// Her loans, the open ones first by due date, then the history; the warnings she comes with.
inline void checkHerLoans(data::Connection &c)
{
    const store::DeskRules r = rules();
    QCOMPARE(describe(store::readerLoans(c, QStringLiteral("Иванова"), r.periods, r.today, false)),
             QStringLiteral("К-1:14.02.2024:16 2:24.02.2024:6"));
    QCOMPARE(describe(store::readerLoans(c, QStringLiteral("Петров"), r.periods, r.today, false)),
             QStringLiteral("К-4:01.03.2024:0 К-5:в20.02.2024:0"));
    QCOMPARE(describe(store::readerLoans(c, QStringLiteral("Петров"), r.periods, r.today, true)),
             QStringLiteral("К-4:01.03.2024:0"));
    QCOMPARE(store::readerWarnings(reader(c, 1), 2, 2, r),
             (QStringList{"На руках изданий: 2 — предел для категории «Студент» (2) достигнут.", "Просрочено изданий: 2."}));
    QCOMPARE(store::readerWarnings(reader(c, 2), 1, 0, r),
             QStringList{"Читатель заблокирован: утерян билет. Выдавать ему нельзя, возвращать — можно."});
    QCOMPARE(store::readerWarnings(reader(c, 3), 0, 0, r), QStringList{"Срок действия билета истёк 31.01.2024."});

    // A reader with a thousand loans of a holding deleted since, three of them still out.
    c.runStatement(QStringLiteral("INSERT INTO orders (book_id, loaner, date_out, date_in, status) WITH RECURSIVE n(i) AS"
                                  " (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) SELECT 99, 'Сидорова',"
                                  " '2023-01-01', CASE WHEN i <= 3 THEN NULL ELSE '2023-02-01' END, 0 FROM n"));
    const QList<store::ReaderLoan> many = store::readerLoans(c, QStringLiteral("Сидорова"), r.periods, r.today, false);
    QCOMPARE(many.size(), 1000);
    QVERIFY(many[2].open && !many[3].open && !many[2].holdingKnown);
    QCOMPARE(many[0].daysOverdue, int(QDate(2023, 1, 31).daysTo(r.today)));
    QCOMPARE(store::readerLoans(c, QStringLiteral("Сидорова"), r.periods, r.today, true).size(), 3);
}

// A lend whose last step fails leaves no loan, no due date and no loan fields behind.
inline void checkWholeOrNothing(data::Connection &c, const QString &failingTrigger)
{
    c.runStatement(failingTrigger);
    QVERIFY(errorOf([&] { store::scanHolding(c, reader(c, 1), 7, false, rules()); }) != QStringLiteral("<no error>"));
    QCOMPARE(column(c, QStringLiteral("SELECT COUNT(*) FROM orders WHERE book_id = 7")), QStringList{"0"});
    QCOMPARE(column(c, QStringLiteral("SELECT COUNT(*) FROM loan_terms")), QStringList{"0"});
    QCOMPARE(mirror(c, 7), QStringLiteral("0  -"));
}

// The catalogue holds the six loans and the register; every case in turn, stopping at the first failure.
inline void checkAll(data::Connection &c)
{
    c.runStatement(Desk);
    for (auto check : {checkScans, checkHerLoans, checkActions, checkRefusals}) {
        check(c);
        if (QTest::currentTestFailed())
            return;
    }
}

} // namespace deskcases
