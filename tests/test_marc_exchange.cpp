// MARC files and the catalogue: "Импорт записей MARC..." with its list (duplicates, damaged
// records, the format and character set read again), the import in one transaction with the next
// inventory numbers, and "Экспорт записей MARC..." of the rows the grid shows in its three forms.
#include "CardFixture.h"
#include "CatalogueExchange.h"
#include "MarcFixture.h"
#include "MarcImportForm.h"
#include "MarcMapping.h"
#include "TempDb.h"

#include <QCheckBox>
#include <QComboBox>
#include <QUtf8StringView>
#include <QLabel>
#include <QProgressDialog>
#include <QTimer>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>

using namespace marc;
using namespace marc_tests;

namespace {

BookFields book(const QString &title, const QString &isbn = {}, const QStringList &keywords = {})
{
    BookFields f;
    f.title = title;
    f.author = QStringLiteral("Петров П. П.");
    f.publisher = QStringLiteral("Наука");
    f.location = QStringLiteral("Москва");
    f.year = 1999;
    f.pages = 240;
    f.price = 120.5;
    f.isbn = isbn;
    f.keywords = keywords;
    f.annotation = QStringLiteral("Об истории");
    return f;
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

QByteArray marc21File(const std::vector<BookFields> &books)
{
    YazMarc yaz;
    QByteArray bytes;
    for (std::size_t i = 0; i < books.size(); ++i)
        bytes += yaz.writeIso2709(fromHolding({qint64(i + 1), {}, {}, books[i]}, Format::Marc21, QDateTime(QDate(2024, 1, 1), QTime(9, 0))));
    return bytes;
}

// Presses "Отмена" of the owner's progress window as soon as the work has begun.
void cancelWorkOf(QWidget *owner)
{
    QTimer::singleShot(0, owner, [owner] {
        if (auto *progress = owner->findChild<QProgressDialog *>(QStringLiteral("BackgroundWork")))
            progress->findChild<QPushButton *>()->click();
    });
}

struct ImportRun {
    QStringList marks;
    QList<bool> ticked;
    QString summary, firstKind;
};

} // namespace

class TestMarcExchange : public QObject {
    Q_OBJECT
private slots:
    void importListsMarksAndPutsTickedRecordsIntoKind()
    {
        CardFixture f;
        f.addHolding(7, 1, QStringLiteral("Старая книга"));
        f.db().MyServer.runStatement(QStringLiteral("UPDATE books SET isbn = '5-02-013848-7'"));
        f.w->tcKinds->setCurrentIndex(1); // "Книги"
        QByteArray bytes = marc21File({book(QStringLiteral("Уже есть"), QStringLiteral("978-5-02-013848-3")),
                                       book(QStringLiteral("Новая"), {}, {QStringLiteral("история"), QStringLiteral("наука")})});
        bytes += isoRecord({{"245", subfields({{'a', "\xC3\x28"}})}}, 'a'); // invalid UTF-8
        bytes += marc21File({book(QStringLiteral("Ещё одна"))});
        f.platform.fileAnswer = writeFile(f.path(QStringLiteral("in.mrc")), bytes);
        ImportRun run;
        f.platform.onModal = [&](QDialog &dialog) {
            auto &form = dynamic_cast<TMarcImportForm &>(dialog);
            for (int i = 0; i < form.grRecords->topLevelItemCount(); ++i) {
                run.marks << form.grRecords->topLevelItem(i)->text(4);
                run.ticked << (form.grRecords->topLevelItem(i)->checkState(0) == Qt::Checked);
            }
            run.summary = form.lblSummary->text();
            run.firstKind = form.cbKind->currentText();
            form.btnImport->click();
            return form.result();
        };
        f.w->miMarcImport->trigger();
        QCOMPARE(run.marks, (QStringList{QStringLiteral("уже в каталоге"), QString(),
                                         QStringLiteral("запись 3 повреждена: неверная последовательность байтов для кодировки UTF-8"),
                                         QString()}));
        QCOMPARE(run.ticked, (QList<bool>{false, true, false, true}));
        QCOMPARE(run.summary, QStringLiteral("Записей: 4, повреждённых: 1, уже в каталоге: 1."));
        QCOMPARE(run.firstKind, QStringLiteral("Книги"));
        QCOMPARE(f.platform.messageTexts(), QStringList{QStringLiteral("Импортировано записей: 2 в раздел «Книги».")});
        QCOMPARE(f.stored(2, QStringLiteral("title")), QStringLiteral("Новая"));
        QCOMPARE(f.stored(2, QStringLiteral("inv_num")), QStringLiteral("8"));
        QCOMPARE(f.stored(3, QStringLiteral("inv_num")), QStringLiteral("9"));
        QCOMPARE(f.stored(3, QStringLiteral("liter")), QStringLiteral("К"));
        QCOMPARE(f.stored(3, QStringLiteral("date_reg")), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        QCOMPARE(f.stored(2, QStringLiteral("price")), QStringLiteral("120.5"));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM keywords WHERE book_id = 2")), 2);
        QCOMPARE(f.w->gridModel->rowCount(), 3); // the grid shows them at once
    }

    // The format and character set chosen read the whole file again.
    void choicesReadTheFileAgain()
    {
        CardFixture f;
        auto e = [](const char *t) { return cp1251(QString::fromUtf8(t)); };
        // RUSMARC whose field 100 claims UTF-8 while its text is code page 1251.
        const QByteArray bytes = isoRecord({{"100", subfields({{'a', "20100101d2010    k  y0rusy50      ca"}})},
                                            {"200", subfields({{'a', e("Анна Каренина")}})}},
                                           ' ', "450 ");
        TMarcImportForm form(&f.db());
        form.openFile(writeFile(f.path(QStringLiteral("r.iso")), bytes));
        QCOMPARE(form.grRecords->topLevelItem(0)->text(1), QStringLiteral("Анна Каренина"));
        QVERIFY(form.chbInclude->isChecked()); // the chosen record's box, as a control of its own
        form.chbInclude->click();
        QCOMPARE(form.grRecords->topLevelItem(0)->checkState(0), Qt::Unchecked);
        form.cbCharset->setCurrentIndex(1); // UTF-8
        form.cbFormatChange();
        QVERIFY(form.grRecords->topLevelItem(0)->text(4).contains(QStringLiteral("UTF-8")));
        QVERIFY(!(form.grRecords->topLevelItem(0)->flags() & Qt::ItemIsEnabled));
        QVERIFY(!form.chbInclude->isEnabled());
        form.cbCharset->setCurrentIndex(2); // Windows-1251
        form.cbFormat->setCurrentIndex(1);  // MARC21: no 245, so no title
        form.cbFormatChange();
        QVERIFY(form.records()[0].problem.startsWith(QStringLiteral("в записи нет заглавия (формат MARC21)")));
        form.cbFormat->setCurrentIndex(2); // RUSMARC
        form.cbFormatChange();
        QCOMPARE(form.grRecords->topLevelItem(0)->text(1), QStringLiteral("Анна Каренина"));
    }

    void fileNotMarcIsRefused()
    {
        CardFixture f;
        f.addHolding(1, 1, QStringLiteral("Книга"));
        f.platform.fileAnswer = writeFile(f.path(QStringLiteral("notes.txt")), "Список книг на закупку\r\n");
        f.w->miMarcImport->trigger();
        QCOMPARE(f.platform.modalDialogs, QStringList{});
        QCOMPARE(f.platform.messages.size(), 1);
        QVERIFY(f.platform.messages[0].text.startsWith(QStringLiteral("Файл не является файлом записей MARC")));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books")), 1);
    }

    // An import that fails half-way leaves nothing of itself.
    void failedImportLeavesNothing()
    {
        CardFixture f;
        f.db().MyServer.runStatement(QStringLiteral(
            "CREATE TRIGGER no_third BEFORE INSERT ON books WHEN NEW.title = 'Третья' BEGIN SELECT RAISE(ABORT, 'нельзя'); END"));
        const QString error = errorOf([&] {
            importRecords(f.db().MyServer, 2, {book(QStringLiteral("Первая")), book(QStringLiteral("Вторая")), book(QStringLiteral("Третья"))});
        });
        QCOMPARE(error, QStringLiteral("нельзя"));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books")), 0);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM keywords")), 0);
        QCOMPARE(importRecords(f.db().MyServer, 2, {book(QStringLiteral("Первая"))}), 1); // the connection works on
    }

    void tenThousandRecordsComeInNumbered()
    {
        CardFixture f;
        f.addHolding(41, 3, QStringLiteral("Диссертация"));
        std::vector<BookFields> books;
        for (int i = 0; i < 10000; ++i)
            books.push_back(book(QStringLiteral("Запись %1").arg(i), {}, {QStringLiteral("слово")}));
        const auto read = readBytes(marc21File(books));
        QCOMPARE(read.size(), books.size());
        std::vector<BookFields> fields;
        for (const ReadRecord &r : read)
            fields.push_back(r.fields);
        QCOMPARE(importRecords(f.db().MyServer, 3, fields), 10000);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books WHERE itemkind_id = 3")), 10001);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT MAX(inv_num) - MIN(inv_num) FROM books WHERE itemkind_id = 3")), 10000);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(DISTINCT inv_num) FROM books WHERE itemkind_id = 3")), 10001);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM keywords")), 10000);
    }

    // Export writes the rows the grid shows, in the form of the file type chosen; read back into
    // another kind they come in whole.
    void exportWritesShownRowsInChosenForm_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("holdings");
        QTest::newRow("MARC21 ISO 2709") << "out.mrc" << "852";
        QTest::newRow("MARC21 MARCXML") << "out.xml" << "852";
        QTest::newRow("RUSMARC ISO 2709") << "out.iso" << "899";
    }
    void exportWritesShownRowsInChosenForm()
    {
        QFETCH(QString, file);
        QFETCH(QString, holdings);
        CardFixture f;
        QCOMPARE(importRecords(f.db().MyServer, 1, {book(QStringLiteral("Первая"), QStringLiteral("5-02-013848-7"), {QStringLiteral("история")}),
                                           book(QStringLiteral("Вторая\r\nс переносом"))}),
                 2);
        f.addHolding(5, 2, QStringLiteral("Журнал"));
        // Filed under a rubric of the second level and a top-level one, with notes of two lines.
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO categories (id, title, parent, has_children) VALUES "
                                                    "(3, 'История', 0, 1), (7, 'Россия', 3, 0), (5, 'Право', 0, 0)"));
        f.db().MyServer.runStatement(QStringLiteral("UPDATE books SET rubric = '3.7.;5.;', notes = 'Из собрания\r\nавтора' "
                                                    "WHERE title = 'Первая'"));
        f.w->tcKinds->setCurrentIndex(1); // "Книги": two rows shown
        f.platform.fileAnswer = f.path(file);
        f.w->miMarcExport->trigger();
        QCOMPARE(f.platform.messageTexts(), QStringList{QStringLiteral("Записей выгружено: 2, файл «%1».").arg(f.path(file))});
        QFile out(f.path(file));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const auto back = readBytes(out.readAll());
        QCOMPARE(back.size(), std::size_t(2));
        QCOMPARE(back[0].format, file.endsWith(u"iso") ? Format::Rusmarc : Format::Marc21);
        QStringList ids, inventory;
        for (const ReadRecord &r : back) {
            ids << r.record.first(QStringLiteral("001"))->data;
            inventory << r.record.values(holdings, u'p').join(u',') + u'/' + r.record.values(holdings, u'k').join(u',');
        }
        ids.sort();
        QCOMPARE(ids, (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
        inventory.sort();
        QCOMPARE(inventory, (QStringList{QStringLiteral("1/К"), QStringLiteral("2/К")}));
        std::vector<BookFields> fields;
        for (const ReadRecord &r : back)
            fields.push_back(r.fields);
        importRecords(f.db().MyServer, 4, fields);
        // Read back into the same catalogue, each rubric is the one it was filed under.
        for (const char *column : {"author", "publisher", "location", "year_p", "page_count", "price", "isbn", "annotation", "notes", "rubric"})
            QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books a JOIN books b ON a.title = b.title "
                                                   "WHERE a.itemkind_id = 1 AND b.itemkind_id = 4 AND a.%1 IS b.%1")
                                        .arg(QLatin1String(column))),
                     2);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM keywords k JOIN books b ON b.id = k.book_id "
                                               "WHERE b.itemkind_id = 4 AND k.keyword = 'история'")), 1);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM categories")), 3);
    }

    // An imported record's rubric is found in the tree by its titles from the top level down; a
    // title the tree lacks under that parent is added there, once for all the records naming it.
    void importFindsRubricsByTheirTitles_data()
    {
        QTest::addColumn<QList<QStringList>>("rubrics");
        QTest::addColumn<QString>("filed");
        QTest::addColumn<int>("categories");
        const QString history = QStringLiteral("История"), russia = QStringLiteral("Россия"), law = QStringLiteral("Право");
        QTest::newRow("found by its path") << QList<QStringList>{{history, russia}} << "3.7.;" << 3;
        QTest::newRow("a top-level one") << QList<QStringList>{{law}} << "5.;" << 3;
        QTest::newRow("the same title under another parent") << QList<QStringList>{{law, russia}} << "5.8.;" << 4;
        QTest::newRow("a new top-level one") << QList<QStringList>{{QStringLiteral("Физика")}} << "8.;" << 4;
        QTest::newRow("a new one below a new one") << QList<QStringList>{{QStringLiteral("Физика"), QStringLiteral("Оптика")}}
                                                    << "8.9.;" << 5;
        QTest::newRow("two, in the record's order") << QList<QStringList>{{law}, {history, russia}} << "5.;3.7.;" << 3;
    }
    void importFindsRubricsByTheirTitles()
    {
        QFETCH(QList<QStringList>, rubrics);
        QFETCH(QString, filed);
        QFETCH(int, categories);
        CardFixture f;
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO categories (id, title, parent, has_children) VALUES "
                                                    "(3, 'История', 0, 1), (7, 'Россия', 3, 0), (5, 'Право', 0, 0)"));
        BookFields first = book(QStringLiteral("Первая")), second = book(QStringLiteral("Вторая"));
        first.rubrics = second.rubrics = rubrics;
        QCOMPARE(importRecords(f.db().MyServer, 2, {first, second}), 2);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books WHERE itemkind_id = 2 AND rubric = '%1'").arg(filed)), 2);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM categories")), categories);
        // A rubric given one below it shows in the tree as one that opens.
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM categories p WHERE has_children = 0 AND "
                                               "EXISTS (SELECT 1 FROM categories c WHERE c.parent = p.id)")),
                 0);
    }

    // Thousands of rows are made into records on two threads, run by run: the file still holds
    // them in the grid's order, each with its own keywords.
    void exportOfManyRowsKeepsTheGridsOrder()
    {
        CardFixture f;
        std::vector<BookFields> books;
        for (int i = 0; i < 4500; ++i)
            books.push_back(book(QStringLiteral("Книга %1").arg(i), {}, {QStringLiteral("слово %1").arg(i)}));
        QCOMPARE(importRecords(f.db().MyServer, 1, books), 4500);
        f.w->tcKinds->setCurrentIndex(1);
        data::Dataset &shown = f.db().MyBooks;
        shown.setIndexFieldNames(QStringLiteral("title DESC"));
        QStringList gridIds;
        for (int i = 0; i < shown.recordCount(); ++i)
            gridIds << QString::number(shown.cellAt(i, shown.fieldIndex(QStringLiteral("id"))).integer);
        QCOMPARE(gridIds.size(), 4500);
        exportRecords(f.db(), f.path(QStringLiteral("many.mrc")), ExportForm::Marc21Iso);
        QFile out(f.path(QStringLiteral("many.mrc")));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const auto back = readBytes(out.readAll());
        QStringList fileIds;
        for (const ReadRecord &r : back) {
            fileIds << r.record.first(QStringLiteral("001"))->data;
            const QString number = r.fields.title.section(u' ', 1);
            QCOMPARE(r.fields.keywords, QStringList{QStringLiteral("слово ") + number});
        }
        QCOMPARE(fileIds, gridIds);
    }

    // Export hands YAZ a cell's own bytes when the value goes out unchanged. A catalogue filled by
    // another program may hold bytes that are not UTF-8, or a value behind a byte order mark: the
    // file still holds UTF-8 alone, each value as the card shows it.
    void exportWritesUtf8WhateverTheCellsHold_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("ISO 2709") << "cells.mrc";
        QTest::newRow("MARCXML") << "cells.xml";
    }
    void exportWritesUtf8WhateverTheCellsHold()
    {
        QFETCH(QString, file);
        CardFixture f;
        QCOMPARE(importRecords(f.db().MyServer, 1, {book(QStringLiteral("Первая"), {}, {QStringLiteral("история")})}), 1);
        // "Первая" behind a byte order mark, "Наука" with a byte no UTF-8 has, "истори" and half a letter.
        f.db().MyServer.runStatement(QStringLiteral("UPDATE books SET title = CAST(X'EFBBBFD09FD0B5D180D0B2D0B0D18F' AS TEXT), "
                                                    "publisher = CAST(X'D09DD0B0D183D0BAD0B0FF' AS TEXT)"));
        f.db().MyServer.runStatement(QStringLiteral("UPDATE keywords SET keyword = CAST(X'D0B8D181D182D0BED180D0B8D1' AS TEXT)"));
        f.w->tcKinds->setCurrentIndex(1);
        QCOMPARE(f.db().MyBooks.recordCount(), 1);
        exportRecords(f.db(), f.path(file), exportFormForFile(file));
        QFile out(f.path(file));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray bytes = out.readAll();
        QVERIFY(QUtf8StringView(bytes).isValidUtf8());
        QVERIFY(!bytes.contains("\xEF\xBB\xBF"));
        const auto back = readBytes(bytes);
        QCOMPARE(back.size(), std::size_t(1));
        QCOMPARE(back[0].fields.title, QStringLiteral("Первая"));
        QCOMPARE(back[0].fields.publisher, QStringLiteral("Наука\uFFFD"));
        QCOMPARE(back[0].fields.keywords, QStringList{QStringLiteral("истори\uFFFD")});
        QCOMPARE(back[0].fields.author, QStringLiteral("Петров П. П."));
    }

    // Marks by normalised ISBN, else by title, author and year, against the catalogue and the
    // records before in the same file; a wrong check digit is shown and matches nothing.
    void importMarksDuplicates()
    {
        CardFixture f;
        f.addHolding(7, 1, QStringLiteral("Старая книга"));
        f.db().MyServer.runStatement(QStringLiteral("UPDATE books SET isbn = 'ISBN 5-02-013848-7 (в пер.)', author = 'Петров П. П.', year_p = 1999"));
        BookFields badCheck = book(QStringLiteral("Ёлка"), QStringLiteral("5-02-013848-0"));
        BookFields edition = book(QStringLiteral("Другая"), QStringLiteral("978-5-699-12014-7"));
        const QByteArray bytes = marc21File({book(QStringLiteral("Уже есть"), QStringLiteral("978-5-02-013848-3")), book(QStringLiteral("Новая")),
                                             book(QStringLiteral("НОВАЯ!")), badCheck, book(QStringLiteral("Елка")),
                                             book(QStringLiteral("старая  книга")), edition,
                                             book(QStringLiteral("Другая"), QStringLiteral("0-8044-2957-X")), // another edition
                                             book(QStringLiteral("Прочая"), QStringLiteral("9785699120147"))});
        TMarcImportForm form(&f.db());
        QVERIFY(form.openFile(writeFile(f.path(QStringLiteral("d.mrc")), bytes)));
        QStringList marks;
        QList<bool> ticked;
        for (int i = 0; i < form.grRecords->topLevelItemCount(); ++i) {
            marks << form.grRecords->topLevelItem(i)->text(4);
            ticked << (form.grRecords->topLevelItem(i)->checkState(0) == Qt::Checked);
        }
        QCOMPARE(marks, (QStringList{"уже в каталоге", "", "повторяет запись 2", "неверная контрольная цифра ISBN 5-02-013848-0",
                                     "повторяет запись 4", "уже в каталоге", "", "", "повторяет запись 7"}));
        QCOMPARE(ticked, (QList<bool>{false, true, false, true, false, false, true, true, false}));
        QCOMPARE(form.lblSummary->text(), QStringLiteral("Записей: 9, повреждённых: 0, уже в каталоге: 2, повторов в файле: 3."));
    }

    // "Отмена" of an import leaves the catalogue as it was; of an export, the file unwritten.
    void importAndExportCanBeCancelled()
    {
        CardFixture f;
        std::vector<BookFields> books;
        for (int i = 0; i < 6000; ++i)
            books.push_back(book(QStringLiteral("Книга %1").arg(i), {}, {QStringLiteral("слово")}));
        TMarcImportForm form(&f.db());
        form.setItemKinds({QStringLiteral("Книги")}, {QStringLiteral("1")}, 1);
        QVERIFY(form.openFile(writeFile(f.path(QStringLiteral("c.mrc")), marc21File(books))));
        cancelWorkOf(&form);
        form.btnImport->click();
        QCOMPARE(f.platform.messageTexts(), QStringList{QStringLiteral("Импорт отменён: в каталог не добавлено ни одной записи.")});
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books")), 0);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM keywords")), 0);

        QCOMPARE(importRecords(f.db().MyServer, 1, books), 6000);
        f.w->tcKinds->setCurrentIndex(1);
        f.platform.messages.clear();
        f.platform.fileAnswer = f.path(QStringLiteral("cancelled.mrc"));
        cancelWorkOf(f.w);
        f.w->miMarcExport->trigger();
        QCOMPARE(f.platform.messageTexts(), QStringList{QStringLiteral("Экспорт отменён: файл «%1» не записан.").arg(f.platform.fileAnswer)});
        QVERIFY(!QFile::exists(f.platform.fileAnswer));
    }

    // A holding ISO 2709 cannot hold stops the export by name; MARCXML takes it.
    void exportRefusesWhatIso2709CannotHold()
    {
        CardFixture f;
        QCOMPARE(importRecords(f.db().MyServer, 1, {book(QStringLiteral("Короткая")), book(QString(5000, u'ю'))}), 2);
        f.w->tcKinds->setCurrentIndex(1);
        f.platform.fileAnswer = f.path(QStringLiteral("long.mrc"));
        f.w->miMarcExport->trigger();
        QCOMPARE(f.platform.messages.size(), 1);
        QVERIFY2(f.platform.messages[0].text.startsWith(QStringLiteral("Запись с инв. № К2 («юююю")), qPrintable(f.platform.messages[0].text));
        QVERIFY(f.platform.messages[0].text.contains(QStringLiteral("поле 245 длиннее 9999 байт")));
        QVERIFY(!QFile::exists(f.platform.fileAnswer));
        f.platform.fileAnswer = f.path(QStringLiteral("long.xml"));
        f.w->miMarcExport->trigger();
        QFile xml(f.platform.fileAnswer);
        QVERIFY(xml.open(QIODevice::ReadOnly));
        QCOMPARE(readBytes(xml.readAll())[1].fields.title, QString(5000, u'ю'));
    }

    void viewModeOffersNoImport()
    {
        CardFixture f(false);
        QVERIFY(!f.w->miMarcImport->isEnabled());
        QVERIFY(f.w->miMarcExport->isEnabled());
    }
};

QTEST_MAIN(TestMarcExchange)
#include "test_marc_exchange.moc"
