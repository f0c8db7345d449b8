#include "DemoCatalogue.h"

#include "DemoFiles.h"
#include "DemoPlan.h"
#include "DemoReaders.h"
#include "DemoRubrics.h"
#include "DemoSqlite.h"
#include "DemoText.h"
#include "DemoWords.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <stdexcept>

namespace demo {

namespace {

QString resourceText(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot read %1: %2").arg(name, file.errorString()).toStdString());
    return QString::fromUtf8(file.readAll());
}

QString isoDate(qint64 julianDay)
{
    return QDate::fromJulianDay(julianDay).toString(Qt::ISODate);
}

QString pickText(Rng &rng, words::List list)
{
    return QString::fromUtf16(rng.pick(list));
}

// Fills the tables of an open database. Two independent random streams: one shapes the catalogue,
// the other writes its texts, so a longer annotation leaves the loans as they were.
class Writer {
public:
    Writer(Database &db, const DemoOptions &options);
    void writeAll();
    const std::vector<ElectronicFile> &files() const { return files_; }

private:
    void readKinds();
    void writeRubrics();
    void writeBooks();
    void bindBook(Statement &insert, int index);
    void bindImprint(Statement &insert, const Holding &holding, int year);
    QString titleOf(int index, const Holding &holding, int year);
    QString rubricField();
    void writeLoans();
    void writeKeywords();

    Database &db_;
    const DemoOptions &options_;
    Rng planRng_;
    Rng textRng_;
    std::vector<int> kinds_;
    std::map<int, QString> liters_;
    std::vector<Rubric> rubrics_;
    QStringList readers_;
    Plan plan_;
    std::map<int, int> awkwardTitleAt_; // holding index -> index into words::awkwardTitles
    std::vector<ElectronicFile> files_;
};

Writer::Writer(Database &db, const DemoOptions &options)
    : db_(db), options_(options), planRng_(options.seed), textRng_(options.seed ^ 0x5EEDF00Du)
{
    readKinds();
    readers_ = readerNames(planRng_, std::max(1, options.readers));
    rubrics_ = buildRubrics(options.rubrics);
    plan_ = planCatalogue(planRng_, {options.holdings, options.loans, options.electronicVersions, int(readers_.size())}, kinds_);

    // The awkward titles go at evenly spaced places, once each, when the catalogue has room for them.
    const int awkward = int(words::awkwardTitles.size());
    if (options.holdings >= awkward) {
        for (int k = 0; k < awkward; ++k)
            awkwardTitleAt_[int((2LL * k + 1) * options.holdings / (2LL * awkward))] = k;
    }
}

void Writer::readKinds()
{
    Statement query(db_, "SELECT id, itemkind_name FROM v_itemkind ORDER BY id");
    while (query.nextRow()) {
        const int id = sqlite3_column_int(query.handle(), 0);
        const auto *name = reinterpret_cast<const char *>(sqlite3_column_text(query.handle(), 1));
        kinds_.push_back(id);
        liters_[id] = QString::fromUtf8(name).left(1);
    }
}

void Writer::writeAll()
{
    writeRubrics();
    writeBooks();
    writeLoans();
    writeKeywords();
    if (options_.registerReaders)
        writeReaders(db_, readers_, options_.seed);
}

void Writer::writeRubrics()
{
    Statement insert(db_, "INSERT INTO categories (id, title, parent, has_children) VALUES (?1, ?2, ?3, ?4)");
    for (const Rubric &rubric : rubrics_) {
        insert.bindInt(1, rubric.id);
        insert.bindText(2, rubric.title);
        insert.bindInt(3, rubric.parent);
        insert.bindInt(4, rubric.hasChildren ? 1 : 0);
        insert.run();
    }
}

void Writer::writeBooks()
{
    Statement insert(db_,
                     "INSERT INTO books (id, inv_num, author, title, date_reg, source, location, publisher, year_p,"
                     " page_count, price, add_num, liter, notes, itemkind_id, onloan, isbn, rubric, loaner, date_out,"
                     " annotation, file) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15,"
                     " ?16, ?17, ?18, ?19, ?20, ?21, ?22)");
    for (int i = 0; i < int(plan_.holdings.size()); ++i) {
        bindBook(insert, i);
        insert.run();
    }
}

void Writer::bindBook(Statement &insert, int index)
{
    const Holding &holding = plan_.holdings[std::size_t(index)];
    const int regYear = QDate::fromJulianDay(holding.dateReg).year();
    // Older editions are rarer; a journal arrives in its year of issue or soon after; discs and
    // files are no older than the nineties.
    const int oldest = holding.kind == 4 ? std::min(1995, regYear) : 1950;
    const int year = holding.kind == 2 ? std::max(1950, regYear - textRng_.below(3))
                                       : std::max(textRng_.between(oldest, regYear), textRng_.between(oldest, regYear));
    const QString author = holding.kind == 2 ? QString() : authorField(textRng_);
    const QString title = titleOf(index, holding, year);

    insert.bindInt(1, index + 1);
    insert.bindInt(2, holding.invNum);
    insert.bindTextOrNull(3, author);
    insert.bindText(4, title);
    insert.bindText(5, isoDate(holding.dateReg));
    bindImprint(insert, holding, year);
    const auto liter = liters_.find(holding.kind);
    insert.bindTextOrNull(13, liter == liters_.end() ? QString() : liter->second);
    insert.bindTextOrNull(14, textRng_.percent(20) ? pickText(textRng_, words::notes) : QString());
    insert.bindInt(15, holding.kind);
    insert.bindTextOrNull(18, rubricField());
    if (holding.openLoan >= 0) {
        const Loan &loan = plan_.loans[std::size_t(holding.openLoan)];
        insert.bindInt(16, 1);
        insert.bindText(19, readers_[loan.reader]);
        insert.bindText(20, isoDate(loan.dateOut));
    } else {
        insert.bindInt(16, 0);
        insert.bindText(19, QString());
        insert.bindNull(20);
    }
    const bool withAnnotation = options_.annotationLength > 0 && textRng_.percent(88);
    insert.bindTextOrNull(21, withAnnotation ? annotation(textRng_, options_.annotationLength) : QString());
    if (holding.electronic) {
        insert.bindText(22, holding.extension);
        files_.push_back({holding.kind, holding.invNum, holding.extension, author, title});
    } else {
        insert.bindNull(22);
    }
}

QString Writer::titleOf(int index, const Holding &holding, int year)
{
    const auto found = awkwardTitleAt_.find(index);
    if (found != awkwardTitleAt_.end())
        return QString::fromUtf16(words::awkwardTitles[std::size_t(found->second)]);
    return titleFor(textRng_, holding.kind, year);
}

// Columns 6 to 12 and 17: where the item came from and its imprint.
void Writer::bindImprint(Statement &insert, const Holding &holding, int year)
{
    insert.bindText(6, pickText(textRng_, words::sources));
    // Half the books come from Moscow; cities carry their Soviet names on older imprints.
    const words::List cities = year < 1992 ? words::sovietPlaces : words::places;
    const int r = textRng_.below(100);
    QString place = r < 50 ? QString::fromUtf16(cities[0]) : r < 70 ? QString::fromUtf16(cities[1]) : pickText(textRng_, cities);
    if (&holding == &plan_.holdings[plan_.holdings.size() / 2])
        place = QStringLiteral("москва"); // typed once in lower case, as happens
    insert.bindText(7, place);
    insert.bindText(8, pickText(textRng_, words::publishers));
    insert.bindInt(9, year);
    const int pages = holding.kind == 2 ? textRng_.between(48, 160)
        : holding.kind == 3             ? textRng_.between(120, 400)
                                        : textRng_.between(16, textRng_.percent(80) ? 480 : 1200);
    insert.bindInt(10, pages);
    // Soviet prices were roubles and kopecks; today's are hundreds of roubles.
    const int kopecks = year < 1992 ? textRng_.between(15, 450) : textRng_.between(5000, 250000);
    insert.bindReal(11, kopecks / 100.0);
    insert.bindText(12, textRng_.percent(90) ? QStringLiteral("0") : QString::number(textRng_.between(1, 3)));
    const bool withIsbn = holding.kind != 2 && year >= 1988 && textRng_.percent(90);
    insert.bindTextOrNull(17, withIsbn ? isbn(textRng_, year) : QString());
}

// One or two rubric paths for most holdings, none (NULL or empty) for the rest.
QString Writer::rubricField()
{
    if (rubrics_.empty())
        return {};
    const int r = textRng_.below(100);
    if (r >= 85)
        return QStringLiteral("");
    if (r >= 70)
        return {};
    const int first = 1 + textRng_.below(int(rubrics_.size()));
    QString field = rubricPath(rubrics_, first) + u';';
    if (r >= 40 && rubrics_.size() > 1) {
        int second = first;
        while (second == first)
            second = 1 + textRng_.below(int(rubrics_.size()));
        field += rubricPath(rubrics_, second) + u';';
    }
    return field;
}

void Writer::writeLoans()
{
    Statement insert(db_,
                     "INSERT INTO orders (id, book_id, loaner, date_out, date_in, status, cost)"
                     " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    for (std::size_t i = 0; i < plan_.loans.size(); ++i) {
        const Loan &loan = plan_.loans[i];
        insert.bindInt(1, qint64(i) + 1);
        insert.bindInt(2, loan.holding + 1);
        insert.bindText(3, readers_[loan.reader]);
        insert.bindText(4, isoDate(loan.dateOut));
        if (loan.dateIn != 0)
            insert.bindText(5, isoDate(loan.dateIn));
        else
            insert.bindNull(5);
        insert.bindInt(6, loan.status);
        insert.bindInt(7, loan.cost);
        insert.run();
    }
}

// Spread at random over the holdings, about three each, never the same word twice for one holding.
void Writer::writeKeywords()
{
    const int holdings = int(plan_.holdings.size());
    if (holdings == 0)
        return;
    std::vector<int> counts(std::size_t(holdings), 0);
    for (int i = 0; i < options_.keywords; ++i)
        ++counts[std::size_t(planRng_.below(holdings))];

    Statement insert(db_, "INSERT INTO keywords (id, keyword, book_id) VALUES (?1, ?2, ?3)");
    const int available = int(words::keywords.size());
    qint64 id = 0;
    std::vector<int> chosen;
    for (int book = 0; book < holdings; ++book) {
        chosen.clear();
        while (int(chosen.size()) < counts[std::size_t(book)]) {
            const int k = textRng_.below(available);
            if (int(chosen.size()) >= available || std::find(chosen.begin(), chosen.end(), k) == chosen.end())
                chosen.push_back(k);
        }
        for (int k : chosen) {
            insert.bindInt(1, ++id);
            insert.bindText(2, QString::fromUtf16(words::keywords[std::size_t(k)]));
            insert.bindInt(3, book + 1);
            insert.run();
        }
    }
}

void checkOptions(const QString &path, const DemoOptions &options)
{
    const std::pair<const char *, int> counts[] = {
        {"holdings", options.holdings}, {"loans", options.loans}, {"keywords", options.keywords},
        {"annotation length", options.annotationLength}, {"rubrics", options.rubrics},
        {"electronic versions", options.electronicVersions}, {"readers", options.readers},
    };
    for (const auto &[name, value] : counts) {
        if (value < 0)
            throw std::runtime_error(std::string("The number of ") + name + " cannot be negative");
    }
    if (path.isEmpty())
        throw std::runtime_error("No file name given for the demonstration catalogue");
    if (QFileInfo::exists(path)) {
        throw std::runtime_error(
            QStringLiteral("The file %1 already exists: a demonstration catalogue is only written to a new file")
                .arg(path).toStdString());
    }
}

// Bulk settings for the write, then back to an ordinary rollback-journal file.
std::vector<ElectronicFile> fillDatabase(Database &db, const DemoOptions &options)
{
    db.exec(QStringLiteral("PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536"));
    db.exec(QStringLiteral("BEGIN"));
    db.exec(resourceText(QStringLiteral(":/store/schema.sql")));
    db.exec(resourceText(QStringLiteral(":/store/initial_content.sql")));
    Writer writer(db, options);
    writer.writeAll();
    db.exec(QStringLiteral("COMMIT"));
    db.exec(QStringLiteral("PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL"));
    return writer.files();
}

} // namespace

} // namespace demo

void generateDemoCatalogue(const QString &path, const DemoOptions &options)
{
    demo::checkOptions(path, options);
    try {
        std::vector<demo::ElectronicFile> files;
        {
            demo::Database db(path);
            files = demo::fillDatabase(db, options);
            db.close();
        }
        if (!options.filesDir.isEmpty())
            demo::writeElectronicFiles(options.filesDir, files);
    } catch (...) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-journal"));
        throw;
    }
}
