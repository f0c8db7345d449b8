// The catalogue's side of record exchange: duplicates, the import of chosen records and the
// export of the holdings shown.
#include "CatalogueExchange.h"

#include "DBModUnit.h"
#include "MarcMapping.h"
#include "CellText.h"
#include "RubricText.h"
#include "data/Connection.h"
#include "data/DataError.h"

#include <QDate>
#include <QHash>
#include <QSaveFile>
#include <algorithm>
#include <fcntl.h>
#include <future>
#include <optional>
#include <thread>

namespace marc {

namespace {

// The first column of the first row of a statement with one bound value; empty when none.
QString firstValue(data::Connection &connection, const QString &sql, const QVariant &param)
{
    auto st = connection.prepare(sql);
    st->bind(1, param);
    st->execute();
    std::vector<data::CellView> cells(std::size_t(std::max(st->columnCount(), 1)));
    QString value;
    if (st->next()) {
        st->readRow(cells.data());
        value = cellText(cells[0]);
    }
    st->reset();
    return value;
}

QVariant orNull(const QString &text) { return text.isEmpty() ? QVariant() : QVariant(text); }
template <typename T> QVariant orNull(const std::optional<T> &v) { return v ? QVariant(*v) : QVariant(); }

// One transaction over the whole import: rolled back when anything fails.
class Transaction {
public:
    explicit Transaction(data::Connection &c) : c_(c)
    {
        c_.runStatement(c_.isServer() ? QStringLiteral("START TRANSACTION") : QStringLiteral("BEGIN"));
    }
    ~Transaction()
    {
        if (!done_) {
            try {
                c_.runStatement(QStringLiteral("ROLLBACK"));
            } catch (const data::DataError &) {
            }
        }
    }
    void commit()
    {
        c_.runStatement(QStringLiteral("COMMIT"));
        done_ = true;
    }

private:
    data::Connection &c_;
    bool done_ = false;
};

// The rubrics of the tree found by their titles from the top level down; a title not yet under
// its parent is added there, as the tree's own "add" adds it. Found ones are kept for the records
// after.
class RubricFinder {
public:
    explicit RubricFinder(data::Connection &c)
        : find_(c.prepare(QStringLiteral("SELECT id FROM categories WHERE parent = ? AND title = ? ORDER BY id"))),
          add_(c.prepare(QStringLiteral("INSERT INTO categories (title, parent, has_children) VALUES (?, ?, 0)"))),
          parentHasChildren_(c.prepare(QStringLiteral("UPDATE categories SET has_children = 1 WHERE id = ?"))), c_(c)
    {
    }

    // The record's rubric text: each rubric's path of ids.
    QString textOf(const QList<QStringList> &rubrics)
    {
        QString text;
        for (const QStringList &titles : rubrics) {
            QList<qint64> path;
            for (const QString &title : titles)
                path << idOf(path.isEmpty() ? 0 : path.back(), title);
            text += store::rubricElement(path);
        }
        return text;
    }

private:
    qint64 idOf(qint64 parent, const QString &title)
    {
        const std::pair<qint64, QString> key{parent, title};
        if (const auto it = known_.constFind(key); it != known_.cend())
            return *it;
        find_->bind(1, parent);
        find_->bind(2, title);
        find_->execute();
        data::CellView cell;
        qint64 id = 0;
        if (find_->next()) {
            find_->readRow(&cell);
            id = cell.integer;
        }
        find_->reset();
        if (!id) {
            add_->bind(1, title);
            add_->bind(2, parent);
            add_->execute();
            add_->reset();
            id = c_.lastInsertRowId();
            if (parent) {
                parentHasChildren_->bind(1, parent);
                parentHasChildren_->execute();
                parentHasChildren_->reset();
            }
        }
        known_.insert(key, id);
        return id;
    }

    std::unique_ptr<data::EngineStatement> find_, add_, parentHasChildren_;
    data::Connection &c_;
    QHash<std::pair<qint64, QString>, qint64> known_;
};

} // namespace

int importRecords(data::Connection &c, int kind, const std::vector<BookFields> &records, const data::Progress &progress)
{
    Transaction transaction(c);
    qint64 inventory = firstValue(c, QStringLiteral("SELECT MAX(inv_num) FROM books WHERE itemkind_id = ?"), kind).toLongLong();
    const QString letter = firstValue(c, QStringLiteral("SELECT itemkind_name FROM v_itemkind WHERE id = ?"), kind).left(1);
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    auto book = c.prepare(QStringLiteral(
        "INSERT INTO books (inv_num, liter, itemkind_id, date_reg, author, title, location, publisher, year_p, "
        "page_count, isbn, price, annotation, notes, rubric, add_num, onloan) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '0', 0)"));
    RubricFinder rubrics(c);
    auto keyword = c.prepare(QStringLiteral("INSERT INTO keywords (keyword, book_id) VALUES (?, ?)"));
    const int total = int(records.size());
    for (int i = 0; i < total; ++i) {
        const BookFields &f = records[std::size_t(i)];
        const QVariantList values{++inventory,  orNull(letter),      kind,        today,          orNull(f.author),
                                  orNull(f.title), orNull(f.location), orNull(f.publisher), orNull(f.year),
                                  orNull(f.pages), orNull(f.isbn),     orNull(f.price),     orNull(f.annotation),
                                  orNull(f.notes),  orNull(rubrics.textOf(f.rubrics))};
        for (int v = 0; v < values.size(); ++v)
            book->bind(v + 1, values[v]);
        // A statement takes new values only once reset from its last run.
        book->execute();
        book->reset();
        const qint64 id = c.lastInsertRowId();
        for (const QString &word : f.keywords) {
            keyword->bind(1, word);
            keyword->bind(2, id);
            keyword->execute();
            keyword->reset();
        }
        if (progress && i % 500 == 0)
            progress(i, total);
    }
    transaction.commit();
    return total;
}

RubricTitles::RubricTitles(data::Connection &c)
{
    auto st = c.prepare(QStringLiteral("SELECT id, title FROM categories"));
    st->execute();
    data::CellView cells[2];
    while (st->next()) {
        st->readRow(cells);
        titles_.insert(cells[0].integer, cellText(cells[1]));
    }
}

QList<QStringList> RubricTitles::of(const QString &rubricText) const
{
    QList<QStringList> rubrics;
    for (const QString &element : store::rubricElements(rubricText)) {
        QStringList titles;
        for (const qint64 id : store::rubricPath(element)) {
            const auto it = titles_.constFind(id);
            if (it == titles_.cend()) {
                titles.clear();
                break;
            }
            titles << *it;
        }
        if (!titles.isEmpty())
            rubrics << titles;
    }
    return rubrics;
}

namespace {

// A holding from cell(i), the i-th of HoldingColumns, and text(i), that cell as text: export makes
// the texts its own way, from tables of its threads.
template <typename Cell, typename Text> Holding readHolding(const Cell &cell, const Text &text)
{
    auto number = [&](int i) -> std::optional<double> {
        const data::CellView c = cell(i);
        if (c.type == data::CellType::Integer)
            return double(c.integer);
        if (c.type == data::CellType::Float)
            return c.real;
        bool ok = false;
        const double v = cellText(c).toDouble(&ok);
        return ok ? std::optional<double>(v) : std::nullopt;
    };
    Holding h;
    h.id = cell(0).integer;
    h.inventoryNumber = text(1);
    h.letter = text(2);
    BookFields &f = h.fields;
    f.author = text(3);
    f.title = text(4);
    f.location = text(5);
    f.publisher = text(6);
    if (const auto year = number(7))
        f.year = int(*year);
    if (const auto pages = number(8))
        f.pages = int(*pages);
    f.isbn = text(9);
    f.price = number(10);
    f.annotation = text(11);
    f.notes = text(12);
    return h;
}

} // namespace

Holding holdingFromCells(const std::function<data::CellView(int)> &cell)
{
    return readHolding(cell, [&](int i) { return cellText(cell(i)); });
}

ExportForm exportFormForFile(const QString &fileName)
{
    const QString lower = fileName.toLower();
    if (lower.endsWith(QLatin1String(".xml")))
        return ExportForm::Marc21Xml;
    if (lower.endsWith(QLatin1String(".iso")))
        return ExportForm::RusmarcIso;
    return ExportForm::Marc21Iso;
}

QString exportFileFilter()
{
    return QStringLiteral("MARC21, ISO 2709 (UTF-8)|*.mrc|MARC21, MARCXML (UTF-8)|*.xml|RUSMARC, ISO 2709 (UTF-8)|*.iso");
}

namespace {

QString utf8Text(std::string_view bytes) { return QString::fromUtf8(bytes.data(), qsizetype(bytes.size())); }

// Values that repeat from row to row (places, publishers, keywords, rubric texts) made once: each
// slot of a small table keeps the last value whose bytes hashed to it. One per thread.
template <typename T> class RepeatedValues {
public:
    template <typename Make> const T &of(std::string_view bytes, Make make)
    {
        Entry &e = entries_[std::hash<std::string_view>{}(bytes) % entries_.size()];
        if (!e.filled || e.bytes != bytes) {
            e.bytes.assign(bytes);
            e.value = make(bytes);
            e.filled = true;
        }
        return e.value;
    }

private:
    struct Entry {
        std::string bytes;
        T value;
        bool filled = false;
    };
    std::vector<Entry> entries_ = std::vector<Entry>(1024);
};

// Every book's keywords, read at once as they are stored: the threads that write the records make
// text of the keywords of their own books.
class KeywordIndex {
public:
    explicit KeywordIndex(data::Connection &c)
    {
        auto st = c.prepare(QStringLiteral("SELECT book_id, keyword FROM keywords ORDER BY id"));
        st->execute();
        data::CellView cells[2];
        while (st->next()) {
            st->readRow(cells);
            const std::string_view keyword = cells[1].type == data::CellType::Text ? cells[1].bytes : std::string_view();
            entries_.push_back(Entry{cells[0].integer, quint32(bytes_.size()), quint32(keyword.size())});
            bytes_.append(keyword);
        }
        // A book's keywords together, in the order they were added; mostly they are already.
        if (!std::is_sorted(entries_.begin(), entries_.end(), [](const Entry &x, const Entry &y) { return x.book < y.book; }))
            std::stable_sort(entries_.begin(), entries_.end(), [](const Entry &x, const Entry &y) { return x.book < y.book; });
    }

    // The texts come from the thread's own table: a catalogue's keywords repeat from book to book.
    QStringList of(qint64 book, RepeatedValues<QString> &texts, Utf8Sources &sources) const
    {
        const auto [first, last] = std::equal_range(entries_.begin(), entries_.end(), Entry{book, 0, 0},
                                                    [](const Entry &x, const Entry &y) { return x.book < y.book; });
        QStringList out;
        out.reserve(last - first);
        for (auto e = first; e != last; ++e) {
            const std::string_view bytes(bytes_.data() + e->offset, e->length);
            out << texts.of(bytes, utf8Text);
            sources.add(out.back(), bytes);
        }
        return out;
    }

private:
    struct Entry {
        qint64 book;
        quint32 offset, length;
    };
    std::string bytes_;
    std::vector<Entry> entries_;
};

// What a thread writing runs of rows keeps from one run to the next.
struct RunTables {
    YazMarc yaz;
    Utf8Sources sources; // the holding's texts as the cells hold them
    RepeatedValues<QString> texts;
    RepeatedValues<QList<QStringList>> rubrics;
};

// A held row as export needs it, read from the dataset's cells: this runs on two threads at once,
// which only read the rows.
Holding holdingAt(const data::Dataset &books, int row, const std::array<int, HoldingColumns.size()> &columns,
                  RunTables &tables)
{
    auto cell = [&](int i) { return books.cellAt(row, columns[std::size_t(i)]); };
    auto text = [&](int i) {
        const data::CellView c = cell(i);
        if (c.type != data::CellType::Text)
            return cellText(c);
        // The letter, the place and the publisher are a few texts over the whole catalogue.
        const bool repeats = i == 2 || i == 5 || i == 6;
        QString t = repeats ? tables.texts.of(c.bytes, utf8Text) : utf8Text(c.bytes);
        tables.sources.add(t, c.bytes);
        return t;
    };
    tables.sources.clear();
    return readHolding(cell, text);
}

// The records of a run of rows in the export's form. A holding ISO 2709 cannot hold stops the
// export with its name: a record cut short would read back as another.
QByteArray recordBytes(const data::Dataset &books, int from, int to, const std::array<int, HoldingColumns.size()> &columns,
                       const KeywordIndex &keywords, const RubricTitles &rubrics, ExportForm form, const QDateTime &now,
                       RunTables &tables)
{
    const Format format = form == ExportForm::RusmarcIso ? Format::Rusmarc : Format::Marc21;
    QByteArray bytes;
    // About what a holding takes, so that the run is rarely copied as it grows.
    bytes.reserve(qsizetype(to - from) * (form == ExportForm::Marc21Xml ? 2600 : 1300));
    for (int r = from; r < to; ++r) {
        Holding h = holdingAt(books, r, columns, tables);
        h.fields.keywords = keywords.of(h.id, tables.texts, tables.sources);
        if (const data::CellView rubric = books.cellAt(r, columns[13]); rubric.type == data::CellType::Text && !rubric.bytes.empty())
            h.fields.rubrics = tables.rubrics.of(rubric.bytes, [&](std::string_view text) { return rubrics.of(utf8Text(text)); });
        const Record record = fromHolding(h, format, now);
        if (form == ExportForm::Marc21Xml) {
            tables.yaz.appendMarcXml(record, bytes, &tables.sources);
        } else if (const QString problem = tables.yaz.appendIso2709(record, bytes, &tables.sources); !problem.isEmpty()) {
            throw data::DataError(QStringLiteral("Запись с инв. № %1 («%2») не помещается в ISO 2709: %3. "
                                                 "Файл не записан; её можно выгрузить в MARCXML.")
                                      .arg(h.letter + h.inventoryNumber, h.fields.title.left(60).simplified(), problem));
        }
    }
    return bytes;
}

} // namespace

void exportRecords(store::TDBMod &module, const QString &fileName, ExportForm form, const data::Progress &progress)
{
    const data::Dataset &books = module.MyBooks;
    std::array<int, HoldingColumns.size()> columns{};
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = books.fieldIndex(QString::fromLatin1(HoldingColumns[i]));
    const KeywordIndex keywords(module.MyServer);
    const RubricTitles rubrics(module.MyServer);
    const QDateTime now = QDateTime::currentDateTime();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw data::DataError(QStringLiteral("Не удалось открыть для записи файл %1").arg(fileName));
    // Two threads turn runs of rows into records, taking the runs in turn, while this one writes
    // each run as soon as it is made: the file grows while the records are made, and the run
    // shows the progress.
    constexpr int runLength = 2000;
    const int n = books.recordCount(), runs = (n + runLength - 1) / runLength;
    std::vector<std::promise<QByteArray>> made(static_cast<std::size_t>(runs));
    std::vector<std::future<QByteArray>> ready;
    for (auto &m : made)
        ready.push_back(m.get_future());
    const auto makeRuns = [&](const std::stop_token &stop, int first) {
        RunTables tables;
        for (int i = first; i < runs && !stop.stop_requested(); i += 2) {
            try {
                made[std::size_t(i)].set_value(
                    recordBytes(books, i * runLength, std::min(n, (i + 1) * runLength), columns, keywords, rubrics, form, now, tables));
            } catch (...) {
                made[std::size_t(i)].set_exception(std::current_exception());
            }
        }
    };
    const std::jthread even(makeRuns, 0), odd(makeRuns, 1);
    if (form == ExportForm::Marc21Xml)
        file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<collection xmlns=\"http://www.loc.gov/MARC21/slim\">\n");
    for (int i = 0; i < runs; ++i) {
        const QByteArray run = ready[std::size_t(i)].get();
        const qint64 at = file.pos();
        file.write(run);
        // The disk takes each run while the next ones are made, rather than the whole file when
        // the commit asks for it at the end.
        if (file.flush())
            ::sync_file_range(file.handle(), at, run.size(), SYNC_FILE_RANGE_WRITE);
        if (progress)
            progress(std::min(n, (i + 1) * runLength), n);
    }
    if (form == ExportForm::Marc21Xml)
        file.write("</collection>\n");
    if (!file.commit())
        throw data::DataError(QStringLiteral("Не удалось записать файл %1").arg(fileName));
}

} // namespace marc
