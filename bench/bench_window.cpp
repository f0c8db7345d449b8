// The start-up, the composed search and the main window, measured side by side with the store
// doing the same work (or plain SQLite for the search). Usage: bench_window [--rounds N] [--suffix S] CATALOGUE
#include "BenchUtil.h"
#include "BookFormUnit.h"
#include "Platform.h"
#include "ProgramFolder.h"
#include "Program.h"
#include "ProcessValues.h"
#include "Reference.h"

#include "Main.h"
#include "MainGridView.h"

#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <functional>

namespace {

using bench::ProgramFolder;
using bench::Side;

void endProgram(Program &program)
{
    if (program.MainForm)
        program.MainForm->close();
    // No figure includes the copy made at the end of a run in edit mode, and the folder's backup
    // path leads nowhere: the run ends as a view-mode one does, without a copy to report failed.
    store::process().ViewOnly = true;
    program.finish();
    program.destroy();
    store::resetProcess();
}

// startup: from creating the data module to the catalogue open, against the layer opening it.
void figureStartup(const ProgramFolder &folder, int rounds)
{
    std::unique_ptr<store::TDBMod> module;
    std::unique_ptr<data::Connection> conn;
    std::unique_ptr<data::Dataset> books;
    const Side ours{[&] {
                        module.reset();
                        store::resetProcess();
                    },
                    [&] {
                        module = std::make_unique<store::TDBMod>(folder.programFile());
                        module->DataModuleCreate();
                        module->MyBooks.open();
                    }};
    const Side layer{[&] {
                         books.reset();
                         conn.reset();
                     },
                     [&] {
                         conn = std::make_unique<data::Connection>();
                         conn->setDatabase(folder.dir.filePath(QStringLiteral("library.sdb")));
                         conn->open();
                         books = std::make_unique<data::Dataset>(conn.get());
                         books->setSql(QStringLiteral("SELECT * FROM books"));
                         books->open();
                     }};
    bench::printFigure("startup", bench::interleave(rounds, ours, layer), 2);
    module.reset();
    store::resetProcess();
}

// search_composer: a title search through the composer against the same SELECT with lower().
void figureSearchComposer(const ProgramFolder &folder, int rounds)
{
    store::TDBMod module(folder.programFile());
    module.DataModuleCreate();
    module.MyBooks.open();
    sqlite3 *raw = bench::ref::openDatabase(folder.dir.filePath(QStringLiteral("library.sdb")).toStdString());
    bench::ref::Rows found;
    const Side ours{[&] { module.SetCondition(QStringLiteral("srch|id = 0")); },
                    [&] { module.SetCondition(QStringLiteral("srch|my_lower(title) LIKE '%войн%'")); }};
    const Side ref{[&] { bench::ref::Rows().swap(found); },
                   [&] { found = bench::ref::readRows(raw, "SELECT * FROM books WHERE lower(title) LIKE '%войн%'"); }};
    bench::printFigure("search_composer", bench::interleave(rounds, ours, ref), 2);
    std::printf("search_composer_matches%s ours=%d ref=%zu\n", bench::figureSuffix().c_str(), module.MyBooks.recordCount(), found.size());
    sqlite3_close_v2(raw);
    module.DataModuleDestroy();
    store::resetProcess();
}

// window_open: from creating the windows to the first shown count, against the data module
// opening the same four datasets.
void figureWindowOpen(const ProgramFolder &folder, int rounds)
{
    Program program;
    std::unique_ptr<store::TDBMod> module;
    const Side ours{[&] { endProgram(program); },
                    [&] {
                        program.create(folder.programFile());
                        program.MainForm->show();
                        QApplication::processEvents();
                        if (program.MainForm->sbStatusCount->text().isEmpty())
                            std::fprintf(stderr, "window_open: no count shown\n");
                    }};
    const Side store{[&] {
                         module.reset();
                         store::resetProcess();
                     },
                     [&] {
                         module = std::make_unique<store::TDBMod>(folder.programFile());
                         module->DataModuleCreate();
                         for (data::Dataset *ds : {&module->MyCats, &module->MyBooks, &module->myOrders, &module->myItemKinds})
                             ds->open();
                         bench::keep(module->MyBooks.recordCount());
                     }};
    bench::printFigure("window_open", bench::interleave(rounds, ours, store), 2);
    endProgram(program);
    module.reset();
    store::resetProcess();
}

// window_sort_title: a click on "Название" until the grid has drawn the new order, against the
// dataset sorting the same way.
void figureWindowSort(const ProgramFolder &folder, int rounds)
{
    Program program;
    program.create(folder.programFile());
    program.MainForm->show();
    QApplication::processEvents();
    MainGridView *grid = program.MainForm->MainGrid;
    data::Dataset plain(&program.DBMod->MyServer);
    plain.setSql(QStringLiteral("SELECT * FROM books"));
    plain.open();
    bool ascending = true; // the first click on a new title sorts descending
    bool plainAscending = true;
    const Side ours{[] {},
                    [&] {
                        emit grid->horizontalHeader()->sectionClicked(4);
                        grid->viewport()->repaint();
                        ascending = !ascending;
                    }};
    const Side store{[] {},
                     [&] {
                         plainAscending = !plainAscending;
                         plain.setIndexFieldNames(plainAscending ? QStringLiteral("title ASC") : QStringLiteral("title DESC"));
                         plain.first();
                     }};
    bench::printFigure("window_sort_title", bench::interleave(rounds, ours, store), 2);
    plain.close();
    endProgram(program);
}

// A copy of the catalogue whose rubrics are replaced by 2,000 rubrics four levels deep (10, 100,
// 500 and 1,390 of them), so that the shared catalogue and the other figures stay as they are.
struct RubricCopy : ProgramFolder {
    explicit RubricCopy(const QString &catalogue) : ProgramFolder(catalogue)
    {
        const QString db = dir.filePath(QStringLiteral("library.sdb"));
        QFile::remove(db);
        QFile::copy(catalogue, db);
        data::Connection conn;
        conn.setDatabase(db);
        conn.open();
        conn.runStatement(QStringLiteral("DELETE FROM categories"));
        const int levels[] = {10, 100, 500, 1390};
        int first = 1;     // id of the first rubric of the level being written
        int previous = 0;  // ids of the level above: first - previous .. first - 1
        QStringList rows;
        for (int level = 0; level < 4; ++level) {
            for (int i = 0; i < levels[level]; ++i) {
                const int parent = level == 0 ? 0 : first - previous + i % previous;
                const int hasChildren = level < 3 ? 1 : 0;
                rows << QStringLiteral("(%1, 'Рубрика %2.%3', %4, %5)").arg(first + i).arg(level).arg(i).arg(parent).arg(hasChildren);
            }
            first += levels[level];
            previous = levels[level];
        }
        conn.runStatement(QStringLiteral("INSERT INTO categories (id, title, parent, has_children) VALUES ") + rows.join(u','));
    }
};

// expand_all: "Развернуть все" on the fresh tree until drawn, against one read of every rubric.
// author_letter: opening "С" in the author index, against the store running the same query.
void figureTreePanes(const RubricCopy &folder, int rounds)
{
    Program program;
    program.create(folder.programFile());
    TMainForm &w = *program.MainForm;
    w.show();
    QApplication::processEvents();
    QTreeWidgetItem *root = w.tvRubrics->topLevelItem(0);
    data::Dataset cats(&program.DBMod->MyServer);
    cats.setSql(QStringLiteral("SELECT * FROM categories ORDER BY title ASC"));
    const Side ours{[&] {
                        root->setExpanded(false);
                        qDeleteAll(root->takeChildren());
                        new QTreeWidgetItem(root, {QString()});
                    },
                    [&] {
                        w.N32Click();
                        w.tvRubrics->viewport()->repaint();
                    }};
    const Side ref{[&] { cats.close(); }, [&] { cats.open(); }};
    bench::printFigure("expand_all", bench::interleave(rounds, ours, ref), 2);
    std::function<int(QTreeWidgetItem *)> nodesBelow = [&](QTreeWidgetItem *node) {
        int n = node->childCount();
        for (int i = 0; i < node->childCount(); ++i)
            n += nodesBelow(node->child(i));
        return n;
    };
    std::printf("expand_all_rubrics%s ours=%d ref=%d\n", bench::figureSuffix().c_str(), nodesBelow(root), cats.recordCount());

    w.miAlphabetClick();
    QTreeWidgetItem *letter = w.tvAuthors->findItems(QStringLiteral("С"), Qt::MatchExactly).value(0);
    data::Dataset authors(&program.DBMod->MyServer);
    authors.setSql(QStringLiteral("SELECT DISTINCT author FROM books WHERE author LIKE 'С%'"));
    const Side openLetter{[&] { letter->setExpanded(false); },
                          [&] {
                              letter->setExpanded(true);
                              w.tvAuthors->viewport()->repaint();
                          }};
    const Side query{[&] { authors.close(); }, [&] { authors.open(); }};
    bench::printFigure("author_letter", bench::interleave(rounds, openLetter, query), 2);
    std::printf("author_letter_authors%s ours=%d ref=%d\n", bench::figureSuffix().c_str(), letter->childCount(), authors.recordCount());
    endProgram(program);
}

// The card is shown and drawn, then closed at once, as if the librarian only looked at it.
class ShowingPlatform : public ui::QtPlatform {
public:
    int runModal(QDialog &dialog) override
    {
        dialog.show();
        QApplication::processEvents();
        dialog.reject();
        return QDialog::Rejected;
    }
};

// The first record filed under a rubric, so that the caption has titles to find.
void goToFiledRecord(store::TDBMod &db)
{
    data::Dataset &books = db.MyBooks;
    const int rubric = books.fieldIndex(QStringLiteral("rubric"));
    for (int i = 0; i < books.recordCount(); ++i)
        if (books.textAt(i, rubric).contains(u'.')) {
            books.setRecNo(i);
            return;
        }
}

// card_open: from "Показать карточку" to the card drawn with its lists filled.
void figureCardOpen(Program &program, int rounds)
{
    store::TDBMod &db = *program.DBMod;
    const Side ours{[] {}, [&] { program.MainForm->N2Click(); }};
    const Side store{[] {},
                     [&] {
                         bench::keep(db.DistinctValues(QStringLiteral("loaner"), QStringLiteral("orders"),
                                                       QStringLiteral("loaner ASC"), 50)
                                         .size());
                         bench::keep(db.RubricNames().size());
                         db.myItemKinds.refresh();
                     }};
    bench::printFigure("card_open", bench::interleave(rounds, ours, store), 2);
}

// card_post: an edited title saved by "ОК", against the dataset posting the same change.
void figureCardPost(Program &program, int rounds)
{
    store::TDBMod &db = *program.DBMod;
    TBookForm &card = *program.BookForm;
    const QString title = db.MyBooks.fieldByName(QStringLiteral("title")).asString();
    int n = 0;
    const Side ours{[&] {
                        card.IsNewRecord = false;
                        card.choosePage(card.tshSummary);
                        card.show();
                        QApplication::processEvents();
                        card.edTitle->setPlainText(QStringLiteral("Заглавие %1").arg(++n));
                    },
                    [&] { card.OkBtnClick(); }};
    const Side store{[&] {
                         db.MyBooks.edit();
                         db.MyBooks.fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Заглавие %1").arg(++n));
                     },
                     [&] { db.MyBooks.post(); }};
    bench::printFigure("card_post", bench::interleave(rounds, ours, store), 2);
    db.MyBooks.edit();
    db.MyBooks.fieldByName(QStringLiteral("title")).setValue(title); // the shared catalogue as it was
    db.MyBooks.post();
}

// The card's two figures, on the program in edit mode, its modal card shown and closed at once.
void figureCard(const ProgramFolder &folder, int rounds)
{
    ShowingPlatform platform;
    ui::setPlatform(&platform);
    Program program;
    program.create(folder.programFile());
    program.MainForm->show();
    QApplication::processEvents();
    goToFiledRecord(*program.DBMod);
    figureCardOpen(program, rounds);
    figureCardPost(program, rounds);
    endProgram(program);
    ui::setPlatform(nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Библиотека"));
    QStringList args = app.arguments().mid(1);
    const int rounds = bench::takeRounds(args, 7);
    if (args.size() >= 2 && args[0] == u"--suffix") {
        bench::setFigureSuffix(args[1].toStdString());
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_window [--rounds N] [--suffix S] CATALOGUE.sdb\n");
        return 2;
    }
    const ProgramFolder folder(QFileInfo(args.last()).absoluteFilePath());
    figureStartup(folder, rounds);
    figureSearchComposer(folder, rounds);
    figureWindowOpen(folder, rounds);
    figureWindowSort(folder, rounds);
    figureTreePanes(RubricCopy(QFileInfo(args.last()).absoluteFilePath()), rounds);
    figureCard(folder, rounds);
    return 0;
}
