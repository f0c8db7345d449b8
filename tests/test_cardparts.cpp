// What hangs off a record on its card: keywords, rubrics and the electronic version.
#include "CardFixture.h"

#include "EbookFiles.h"
#include "KeywordText.h"
#include "MainGridView.h"
#include "RubricText.h"

#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

QStringList keywordsOf(CardFixture &f, qint64 id)
{
    data::Dataset q(&f.db().MyServer);
    q.setSql(QStringLiteral("SELECT keyword FROM keywords WHERE book_id = %1 ORDER BY id").arg(id));
    q.open();
    QStringList list;
    for (; !q.eof(); q.next())
        list << q.field(0).asString();
    return list;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Rubrics 3 "История" and 5 "Право" at the top level, 7 "Древний мир" under 3.
void addRubrics(CardFixture &f)
{
    f.db().MyServer.runStatement(QStringLiteral(
        "INSERT INTO categories (id, title, parent, has_children) VALUES (3, 'История', 0, 1), (5, 'Право', 0, 0), "
        "(7, 'Древний мир', 3, 0)"));
    f.db().MyCats.refresh();
}

QTreeWidgetItem *nodeWithId(QTreeWidgetItem *from, qint64 id)
{
    if (from->data(0, Qt::UserRole).toLongLong() == id && from->parent())
        return from;
    for (int i = 0; i < from->childCount(); ++i)
        if (QTreeWidgetItem *n = nodeWithId(from->child(i), id))
            return n;
    return nullptr;
}

} // namespace

class CardPartsTest : public QObject {
    Q_OBJECT
private slots:
    void splitting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("keywords");
        QTest::newRow("stray commas") << ",история,,архив , " << QStringList{"история", "архив "};
        QTest::newRow("quoted comma") << "\"мир, война\", фонд" << QStringList{"\"мир, война\"", "фонд"};
        QTest::newRow("single quotes") << "'a,b'" << QStringList{"'a,b'"};
        QTest::newRow("line breaks") << "\r\n  один\r\nдва\n" << QStringList{"один", "два"};
        QTest::newRow("case and repeats") << "Архив, архив, Архив" << QStringList{"Архив", "архив", "Архив"};
        QTest::newRow("unclosed quote kept") << "\"без конца, и всё" << QStringList{"\"без конца, и всё"};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void splitting()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, keywords);
        QCOMPARE(store::splitKeywords(text), keywords);
    }

    void rubricIds_data()
    {
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("id");
        QTest::newRow("top level") << "5." << "5";
        QTest::newRow("below") << "3.7." << "7";
        QTest::newRow("deep, large") << "3.17.70001." << "70001";
    }
    void rubricIds()
    {
        QFETCH(QString, element);
        QFETCH(QString, id);
        QCOMPARE(store::LastRubricId(element), id);
    }

    void keywordsShownStoredAndDeleted()
    {
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        for (const char *k : {"история", "архив", "фонд"})
            f.db().AddKeyword(QString::fromUtf8(k));
        QString shown;
        f.onCard([&](TBookForm &c) {
            c.PageControl1->setCurrentWidget(c.tshDetails);
            shown = c.edKeywords->toPlainText();
            c.edKeywordsExit(); // left untouched: nothing is written
            typeInto(c.edKeywords, QStringLiteral(",летопись,, \"Русь, Киев\" , "));
            c.edKeywordsExit();
            c.CancelBtn->click(); // keywords stay: they were stored on leaving the box
        });
        f.w->N2->trigger();
        QCOMPARE(shown, QStringLiteral("история, архив, фонд"));
        QCOMPARE(keywordsOf(f, id), (QStringList{QStringLiteral("летопись"), QStringLiteral("\"Русь, Киев\" ")}));
        f.onCard([&](TBookForm &c) {
            c.PageControl1->setCurrentWidget(c.tshDetails);
            typeInto(c.edKeywords, QString());
            c.edKeywordsExit();
        });
        f.w->N2->trigger();
        QCOMPARE(keywordsOf(f, id), QStringList{});
        f.db().AddKeyword(QStringLiteral("удаляется"));
        f.w->N9Click();
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM keywords")), 0);
    }

    // Marking 5, then 7 under 3, stores "3.7.;5.;"; the caption lists 7 before 5.
    void pickerWritesRubricText()
    {
        CardFixture f;
        addRubrics(f);
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        QString caption;
        f.platform.onModal = [&](QDialog &dialog) {
            if (auto *picker = qobject_cast<TCatForm *>(&dialog)) {
                QTreeWidgetItem *top = picker->tvRubrics->topLevelItem(0);
                nodeWithId(top, 5)->setSelected(true);
                nodeWithId(top, 3)->setExpanded(true);
                nodeWithId(top, 7)->setSelected(true);
                picker->btnOk->click();
                return picker->result();
            }
            auto &card = static_cast<TBookForm &>(dialog);
            card.CatBoxButton->click();
            caption = card.CatBox->text();
            card.OkBtnClick();
            return card.result();
        };
        f.w->N2->trigger();
        QCOMPARE(f.stored(id, QStringLiteral("rubric")), QStringLiteral("3.7.;5.;"));
        QCOMPARE(caption, QStringLiteral("Древний мир; Право; "));
    }

    // The picker opens on the record's own rubrics, whatever was marked for the previous one.
    void pickerOpensOnRecordRubrics_data()
    {
        QTest::addColumn<QString>("rubric");
        QTest::addColumn<QList<qint64>>("marked");
        QTest::newRow("two") << "3.7.;5.;" << QList<qint64>{5, 7};
        QTest::newRow("none") << "" << QList<qint64>{};
        QTest::newRow("top node") << ";" << QList<qint64>{0};
        QTest::newRow("deleted rubric") << "9.;5.;" << QList<qint64>{5};
    }
    void pickerOpensOnRecordRubrics()
    {
        QFETCH(QString, rubric);
        QFETCH(QList<qint64>, marked);
        CardFixture f;
        addRubrics(f);
        f.addHolding(1, 1, QStringLiteral("Прежняя"), QStringLiteral("5.;"));
        f.addHolding(2, 1, QStringLiteral("Эта"), rubric);
        TCatForm &picker = *f.program.CatForm;
        f.goTo(1);
        picker.show();
        picker.hide();
        f.goTo(2);
        picker.show();
        QList<qint64> ids;
        for (QTreeWidgetItem *n : picker.markedNodes())
            ids << n->data(0, Qt::UserRole).toLongLong();
        std::sort(ids.begin(), ids.end());
        QCOMPARE(ids, marked);
        // "ОК" on the picker as it opened gives the record's text back, deleted rubrics included.
        QCOMPARE(picker.rubricText(), rubric);
        picker.hide();
        QCOMPARE(f.db().RubricNames(), rubric == "3.7.;5.;" ? QStringLiteral("Древний мир; Право; ")
                                       : rubric == "9.;5.;" ? QStringLiteral("Право; ")
                                                            : QString());
    }

    void ebookChooseOpenDelete_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("extension");
        QTest::newRow("upper case") << "Отчёт.DOCX" << ".DOCX";
        QTest::newRow("no extension") << "README" << "";
        QTest::newRow("two points") << "a.b.pdf" << ".pdf";
    }
    void ebookChooseOpenDelete()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, extension);
        CardFixture f;
        const qint64 id = f.addHolding(5, 1, QStringLiteral("Книга"));
        const QString source = f.path(QStringLiteral("in/") + chosen);
        writeFile(source, "документ");
        f.platform.fileAnswer = source;
        const QString copy = f.dir.path() + QStringLiteral("//files/1/5") + extension;
        bool chooseBefore = false, deleteAfter = false;
        f.onCard([&](TBookForm &c) {
            c.btnEbookContextPopup();
            chooseBefore = c.N2->isEnabled();
            c.N2->trigger();
            c.btnEbookContextPopup();
            deleteAfter = c.N3->isEnabled() && !c.N2->isEnabled();
            c.btnEbook->click();
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QVERIFY(chooseBefore);
        QVERIFY(deleteAfter);
        QCOMPARE(readFile(copy), QByteArray("документ"));
        QCOMPARE(f.stored(id, QStringLiteral("file")), extension);
        QCOMPARE(f.platform.shellOpened, QStringList{copy});
        f.platform.messageAnswers = {ui::No};
        f.onCard([](TBookForm &c) { c.N3->trigger(); c.OkBtnClick(); });
        f.w->N2->trigger();
        QVERIFY(QFileInfo::exists(copy));
        f.onCard([](TBookForm &c) { c.N3->trigger(); c.OkBtnClick(); c.btnEbookClick(); });
        f.w->N2->trigger();
        QVERIFY(!QFileInfo::exists(copy));
        QCOMPARE(f.stored(id, QStringLiteral("file")), QStringLiteral("<null>"));
        QCOMPARE(f.platform.messageTexts().last(), QStringLiteral("Файл c электронной версией не обнаружен"));
    }

    // A file of the target name is replaced only when the librarian says so; a copy that fails
    // is reported and leaves the record as it was.
    void ebookReplaceOrFail_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QByteArray>("inFolder");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("replace: yes") << int(ui::Yes) << true << QByteArray("новый") << ".pdf" << "";
        QTest::newRow("replace: no") << int(ui::No) << true << QByteArray("старый") << "<null>" << "";
        QTest::newRow("unreadable source") << int(ui::Yes) << false << QByteArray("старый") << "<null>"
                                           << "Не удалось прочитать файл";
        // The kind's folder cannot be made: a file stands where it should be.
        QTest::newRow("no kind folder") << int(ui::Yes) << true << QByteArray("<missing>") << "<null>"
                                        << "Не удалось создать папку";
    }
    void ebookReplaceOrFail()
    {
        QFETCH(int, answer);
        QFETCH(bool, readable);
        QFETCH(QByteArray, inFolder);
        QFETCH(QString, file);
        QFETCH(QString, message);
        CardFixture f;
        const qint64 id = f.addHolding(5, 1, QStringLiteral("Книга"));
        if (inFolder == "<missing>")
            writeFile(f.path(QStringLiteral("files/1")), "не папка");
        else
            writeFile(f.path(QStringLiteral("files/1/5.pdf")), "старый");
        const QString source = f.path(readable ? QStringLiteral("in/new.pdf") : QStringLiteral("in/missing.pdf"));
        if (readable)
            writeFile(source, "новый");
        f.platform.fileAnswer = source;
        f.platform.messageAnswers = {ui::MsgButton(answer)};
        f.onCard([](TBookForm &c) { c.N2Click(); c.OkBtnClick(); });
        f.w->N2->trigger();
        QCOMPARE(readFile(f.path(QStringLiteral("files/1/5.pdf"))), inFolder);
        QCOMPARE(f.stored(id, QStringLiteral("file")), file);
        if (!message.isEmpty())
            QVERIFY(f.platform.messageTexts().last().startsWith(message));
    }

    // The version follows the record to the number it is saved with, whichever was changed first.
    void ebookFollowsChoiceAndNumber_data()
    {
        QTest::addColumn<int>("order"); // 0: choose, then renumber; 1: renumber, then choose; 2: new record
        QTest::newRow("choose, renumber") << 0;
        QTest::newRow("renumber, choose") << 1;
        QTest::newRow("new record") << 2;
    }
    void ebookFollowsChoiceAndNumber()
    {
        QFETCH(int, order);
        CardFixture f;
        f.addHolding(5, 1, QStringLiteral("Книга"));
        writeFile(f.path(QStringLiteral("in/new.docx")), "новый");
        f.platform.fileAnswer = f.path(QStringLiteral("in/new.docx"));
        f.onCard([&](TBookForm &c) {
            if (order != 1)
                c.N2Click();
            typeInto(c.InvNum, QStringLiteral("9"));
            if (order == 1)
                c.N2Click();
            typeInto(c.edTitle, QStringLiteral("Книга"));
            c.OkBtnClick();
        });
        if (order == 2) {
            f.w->tcKinds->setCurrentIndex(1);
            f.w->miNewItem->trigger();
        } else {
            f.w->N2->trigger();
        }
        QCOMPARE(f.platform.messageTexts(), QStringList{});
        QCOMPARE(readFile(f.path(QStringLiteral("files/1/9.docx"))), QByteArray("новый"));
        QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("files/1/5.docx"))));
        QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("files/1/6.docx"))));
    }

    // Deleting after an unsaved renumbering deletes the file the record had.
    void ebookDeletedAfterRenumber()
    {
        CardFixture f;
        const qint64 id = f.addHolding(5, 1, QStringLiteral("Книга"), {}, QStringLiteral(".pdf"));
        writeFile(f.path(QStringLiteral("files/1/5.pdf")), "версия");
        f.onCard([](TBookForm &c) {
            typeInto(c.InvNum, QStringLiteral("9"));
            c.N3Click();
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("files/1/5.pdf"))));
        QCOMPARE(f.stored(id, QStringLiteral("file")), QStringLiteral("<null>"));
        QCOMPARE(f.stored(id, QStringLiteral("inv_num")), QStringLiteral("9"));
    }

    // The file follows a record whose kind or number changes, on the card or by "Перенести в раздел".
    void ebookMovesWithRecord()
    {
        CardFixture f;
        const qint64 id = f.addHolding(5, 1, QStringLiteral("Книга"), {}, QStringLiteral(".pdf"));
        writeFile(f.path(QStringLiteral("files/1/5.pdf")), "версия");
        f.onCard([](TBookForm &c) { typeInto(c.InvNum, QStringLiteral("9")); c.OkBtnClick(); });
        f.w->N2->trigger();
        QCOMPARE(readFile(f.path(QStringLiteral("files/1/9.pdf"))), QByteArray("версия"));
        QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("files/1/5.pdf"))));
        f.w->MainGrid->selectRow(0);
        f.w->miChangeKind->actions().at(1)->trigger(); // "Журналы"
        QCOMPARE(f.stored(id, QStringLiteral("itemkind_id")), QStringLiteral("2"));
        QCOMPARE(readFile(f.path(QStringLiteral("files/2/9.pdf"))), QByteArray("версия"));
    }
};

QTEST_MAIN(CardPartsTest)
#include "test_cardparts.moc"
