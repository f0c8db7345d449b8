#pragma once

// The readers register on the catalogue file and on the server alike: the checks a record must
// pass, a new name and a merge carried to the loans, deletion while she holds a book, search, the
// readers the past loans name, and due dates stored when a loan is made. The catalogue has the
// six loans of CirculationCases.h.
#include "CirculationCases.h"
#include "CirculationPages.h"
#include "data/text/TextCodec.h"
#include "LoanTerms.h"
#include "Readers.h"
#include "ReadersFromLoans.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"

#include <QtTest>

namespace readercases {

inline QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const data::DataError &e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

inline QStringList column(data::Connection &c, const QString &sql)
{
    data::Dataset q(&c);
    q.setSql(sql);
    q.open();
    QStringList values;
    for (q.first(); !q.eof(); q.next())
        values << q.field(0).asString();
    return values;
}

inline store::Reader reader(const QString &card, const QString &name)
{
    store::Reader r;
    r.card = card;
    r.name = name;
    return r;
}

// What a record must be to be saved; the first reader is there already.
inline void checkRecordRules(data::Connection &c)
{
    store::Reader first = reader(QStringLiteral("1"), QStringLiteral("Иванова"));
    first.email = QStringLiteral("ivanova@example.ru");
    store::saveReader(c, first);
    const std::pair<store::Reader, QString> refused[] = {
        {reader(QStringLiteral(" 1 "), QStringLiteral("Петров")), QStringLiteral("Билет № 1 уже выдан читателю «Иванова».")},
        {reader(QStringLiteral("2"), QStringLiteral("  иванова ")), QStringLiteral("Читатель «Иванова» уже есть в картотеке (билет № 1)")},
        {reader(QStringLiteral(""), QStringLiteral("Петров")), QStringLiteral("Не указан номер читательского билета.")},
        {reader(QStringLiteral("2"), QStringLiteral(" ")), QStringLiteral("Не указаны фамилия, имя и отчество читателя.")},
    };
    for (const auto &[r, message] : refused) {
        const store::Reader &refusedReader = r; // lambdas cannot capture a structured binding in C++20
        QVERIFY2(errorOf([&] { store::saveReader(c, refusedReader); }).startsWith(message), qPrintable(message));
    }
    store::Reader noAt = reader(QStringLiteral("2"), QStringLiteral("Петров"));
    noAt.email = QStringLiteral("petrov.example.ru");
    QVERIFY(errorOf([&] { store::saveReader(c, noAt); }).startsWith(QStringLiteral("Адрес электронной почты «petrov.example.ru» неверен")));
    store::Reader blocked = reader(QStringLiteral("2"), QStringLiteral("Петров"));
    blocked.blocked = true;
    QCOMPARE(errorOf([&] { store::saveReader(c, blocked); }), QStringLiteral("Укажите причину, по которой читатель заблокирован."));
    QCOMPARE(store::findReaders(c, QString()).size(), 1);
}

// A new name reaches her loans and the holding she has; a merge moves the other's loans to her
// and fills her empty details; she cannot be merged into herself nor deleted while she holds a book.
inline void checkNamesReachTheLoans(data::Connection &c)
{
    c.runStatement(QStringLiteral("UPDATE books SET onloan = 1, loaner = 'Иванова' WHERE id = 1"));
    const qint64 ivanova = store::readerByCard(c, QStringLiteral("1"))->id;
    store::Reader renamed = *store::readerById(c, ivanova);
    renamed.name = QStringLiteral("Иванова А. А.");
    store::saveReader(c, renamed);
    QCOMPARE(column(c, QStringLiteral("SELECT COUNT(*) FROM orders WHERE loaner = 'Иванова А. А.'")), QStringList{"2"});
    QCOMPARE(column(c, QStringLiteral("SELECT loaner FROM books WHERE id = 1")), QStringList{"Иванова А. А."});
    store::Reader petrov = reader(QStringLiteral("7"), QStringLiteral("Петров"));
    petrov.phone = QStringLiteral("+7 912 000-00-00");
    const qint64 petrovId = store::saveReader(c, petrov);
    QCOMPARE(errorOf([&] { store::mergeReaders(c, ivanova, ivanova); }),
             QStringLiteral("Читателя нельзя объединить с самим собой: выберите двух разных читателей."));
    store::mergeReaders(c, ivanova, petrovId);
    QVERIFY(!store::readerById(c, petrovId));
    QCOMPARE(store::readerById(c, ivanova)->phone, QStringLiteral("+7 912 000-00-00"));
    QCOMPARE(column(c, QStringLiteral("SELECT COUNT(*) FROM orders WHERE loaner = 'Иванова А. А.'")), QStringList{"4"});
    QVERIFY(errorOf([&] { store::deleteReader(c, ivanova); }).startsWith(QStringLiteral("Читатель «Иванова А. А.» не вернул изданий: 3.")));
    c.runStatement(QStringLiteral("UPDATE orders SET date_in = '2024-03-01' WHERE loaner = 'Иванова А. А.'"));
    store::deleteReader(c, ivanova);
    QVERIFY(store::findReaders(c, QString()).isEmpty());
    QCOMPARE(column(c, QStringLiteral("SELECT COUNT(*) FROM orders WHERE loaner = 'Иванова А. А.'")), QStringList{"4"});
}

// Search by any part of the name (Ё as Е, any letter case), the card, the phone or the address;
// a "%" typed is a character to look for.
inline void checkSearch(data::Connection &c)
{
    store::Reader alena = reader(QStringLiteral("A-17"), QStringLiteral("Алёна Сергеевна Ким"));
    alena.phone = QStringLiteral("+7 (343) 555-01-02");
    alena.email = QStringLiteral("Kim@Example.ru");
    store::saveReader(c, alena);
    store::saveReader(c, reader(QStringLiteral("18"), QStringLiteral("Скидка 100% Петров")));
    const std::pair<QString, QString> found[] = {{QStringLiteral("АЛЕНА"), QStringLiteral("Алёна Сергеевна Ким")},
                                                 {QStringLiteral("a-17"), QStringLiteral("Алёна Сергеевна Ким")},
                                                 {QStringLiteral("A-17"), QStringLiteral("Алёна Сергеевна Ким")},
                                                 {QStringLiteral("555-01"), QStringLiteral("Алёна Сергеевна Ким")},
                                                 {QStringLiteral("kim@example"), QStringLiteral("Алёна Сергеевна Ким")},
                                                 {QStringLiteral("100%"), QStringLiteral("Скидка 100% Петров")},
                                                 {QStringLiteral("0%"), QStringLiteral("Скидка 100% Петров")},
                                                 {QStringLiteral("%"), QStringLiteral("Скидка 100% Петров")}};
    for (const auto &[text, name] : found) {
        const QList<store::Reader> list = store::findReaders(c, text);
        QCOMPARE(list.isEmpty() ? QString() : list.first().name, name);
    }
}

// The names of past loans grouped as one reader whatever their case, Ё or blanks, each made a
// record under the name most of her loans carry, and her loans put under it.
inline void checkReadersFromLoans(data::Connection &c)
{
    c.runStatement(QStringLiteral("INSERT INTO orders (id, book_id, loaner, date_out, date_in) VALUES"
                                  " (20, 6, 'иванова', '2023-01-01', '2023-01-02'), (21, 6, 'Иванова ', '2023-02-01', '2023-02-02'),"
                                  " (22, 6, ' ИВАНОВА', '2023-03-01', '2023-03-02'), (23, 6, 'Семён Ёлкин', '2023-04-01', NULL),"
                                  " (24, 6, 'семен елкин', '2023-05-01', '2023-05-02')"));
    QList<store::LoanReader> found = store::readersInLoans(c);
    QStringList groups;
    for (const store::LoanReader &r : found)
        groups << QStringLiteral("%1(%2)").arg(r.names.proposed).arg(r.names.variants.size());
    QCOMPARE(groups.join(u' '), QStringLiteral("Иванова(4) О'Брайен %_<b>(1) Петров(1) Семён Ёлкин(2)"));
    QCOMPARE(store::registerLoanReaders(c, found, QDate(2024, 3, 1)), 4);
    QCOMPARE(column(c, QStringLiteral("SELECT DISTINCT loaner FROM orders WHERE loaner IS NOT NULL ORDER BY loaner")),
             (QStringList{"Иванова", "О'Брайен %_<b>", "Петров", "Семён Ёлкин"}));
    // Done again, nothing more is made.
    QCOMPARE(store::registerLoanReaders(c, store::readersInLoans(c), QDate(2024, 3, 1)), 0);
}

// A loan made keeps the due date of the periods of its day; longer periods later do not forgive
// it, and a loan made before due dates were stored keeps the rule.
inline void checkStoredDueDates(data::Connection &c)
{
    store::LoanPeriods periods;
    c.runStatement(QStringLiteral("INSERT INTO orders (id, book_id, loaner, date_out, status) VALUES (30, 7, 'Сидоров', '2024-02-01', 0)"));
    store::recordDueDate(c, 30, periods);
    store::LoanPeriods longer = periods;
    longer.days[0] = 60;
    QCOMPARE(store::currentDueDate(c, 30, QDate(2024, 2, 1), 0, longer), QDate(2024, 3, 2));
    QCOMPARE(store::currentDueDate(c, 1, QDate(2024, 1, 15), 0, longer), QDate(2024, 3, 15));
    QVERIFY(store::loanExtensions(c, 30).isEmpty());
    QVERIFY(circulation::describe(store::groupByReader(store::readOverdueLoans(c, longer, QDate(2024, 3, 5)))).contains(QStringLiteral("Сидоров 7:02.03.2024:3")));
}

// The overdue list, the letters and the statistics count readers as records: a name's variants
// are one reader, shown with her card; the contacts only where asked; loans by category.
inline void checkReportsCountRecords(data::Connection &c)
{
    c.runStatement(QStringLiteral("INSERT INTO orders (id, book_id, loaner, date_out, status) VALUES (40, 7, ' иванова', '2024-01-20', 0)"));
    store::Reader ivanova = reader(QStringLiteral("Ч-5"), QStringLiteral("Иванова"));
    ivanova.category = QStringLiteral("Студент");
    ivanova.phone = QStringLiteral("+7 343 000");
    store::saveReader(c, ivanova);
    const QList<store::ReaderDebt> debts = store::readReaderDebts(c, {}, circulation::Day);
    QCOMPARE(debts.first().reader, QStringLiteral("Иванова"));
    QCOMPARE(debts.first().loans.size(), 3); // ' иванова' among them
    QCOMPARE(debts.first().card, QStringLiteral("Ч-5"));
    const QString open = data::decodeText(reports::overdueReportPage(circulation::Day, debts, true), data::TextEncoding::Cp1251);
    QVERIFY(open.contains(QStringLiteral("<h2>Иванова, билет № Ч-5</h2>")) && open.contains(QStringLiteral("тел. +7 343 000")));
    const QByteArray shut = reports::overdueReportPage(circulation::Day, debts, false);
    QVERIFY(!data::decodeText(shut, data::TextEncoding::Cp1251).contains(QStringLiteral("+7 343 000")));
    const store::LoanStatistics s = store::readLoanStatistics(c, QDate(2024, 1, 1), QDate(2024, 2, 29));
    QCOMPARE(s.topReaders.first().reader + u'=' + QString::number(s.topReaders.first().loans), QStringLiteral("Иванова=3"));
    QStringList categories;
    for (const store::CategoryLoans &k : s.byCategory)
        categories << QStringLiteral("%1:%2:%3").arg(k.category).arg(k.readers).arg(k.loans);
    QCOMPARE(categories, (QStringList{"Студент:1:3", ":2:3"}));
}

// Every case in turn on one catalogue holding the six loans; stops at the first that fails.
inline void checkAll(data::Connection &c)
{
    for (auto check : {checkRecordRules, checkNamesReachTheLoans, checkSearch, checkStoredDueDates}) {
        check(c);
        if (QTest::currentTestFailed())
            return;
    }
}

} // namespace readercases
