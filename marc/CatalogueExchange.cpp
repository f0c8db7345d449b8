// The catalogue's side of record exchange: duplicates, the import of chosen records and the
// export of the holdings shown.
#include "CatalogueExchange.h"

#include "DBModUnit.h"
#include "Isbn.h"
#include "MarcMapping.h"
#include "data/Connection.h"
#include "data/DataError.h"

#include <QDate>
#include <QHash>
#include <QSaveFile>
#include <algorithm>
#include <future>

namespace marc {

namespace {

QString sameBookKey(const QString &author, const QString &title, const QString &year)
{
    return author.simplified().toLower() + u'\x1f' + title.simplified().toLower() + u'\x1f' + year;
}

QString cellText(const data::CellView &c)
{
    switch (c.type) {
    case data::CellType::Integer: return QString::number(c.integer);
    case data::CellType::Float: return QString::number(c.real);
    case data::CellType::Null: return {};
    default: return QString::fromUtf8(c.bytes.data(), qsizetype(c.bytes.size()));
    }
}

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

} // namespace

HeldRecords::HeldRecords(data::Connection &connection)
{
    auto st = connection.prepare(QStringLiteral("SELECT isbn, author, title, year_p FROM books"));
    st->execute();
    std::vector<data::CellView> cells(4);
    while (st->next()) {
        st->readRow(cells.data());
        if (const QString key = isbnKey(cellText(cells[0])); !key.isEmpty())
            isbns_.insert(key);
        authorTitleYear_.insert(sameBookKey(cellText(cells[1]), cellText(cells[2]), cellText(cells[3])));
    }
}

bool HeldRecords::holds(const BookFields &f) const
{
    if (const QString key = isbnKey(f.isbn); !key.isEmpty())
        return isbns_.contains(key);
    return authorTitleYear_.contains(sameBookKey(f.author, f.title, f.year ? QString::number(*f.year) : QString()));
}

int importRecords(data::Connection &c, int kind, const std::vector<BookFields> &records, const data::Progress &progress)
{
    Transaction transaction(c);
    qint64 inventory = firstValue(c, QStringLiteral("SELECT MAX(inv_num) FROM books WHERE itemkind_id = ?"), kind).toLongLong();
    const QString letter = firstValue(c, QStringLiteral("SELECT itemkind_name FROM v_itemkind WHERE id = ?"), kind).left(1);
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    auto book = c.prepare(QStringLiteral(
        "INSERT INTO books (inv_num, liter, itemkind_id, date_reg, author, title, location, publisher, year_p, "
        "page_count, isbn, price, annotation, notes, add_num, onloan) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '0', 0)"));
    auto keyword = c.prepare(QStringLiteral("INSERT INTO keywords (keyword, book_id) VALUES (?, ?)"));
    const int total = int(records.size());
    for (int i = 0; i < total; ++i) {
        const BookFields &f = records[std::size_t(i)];
        const QVariantList values{++inventory,  orNull(letter),      kind,        today,          orNull(f.author),
                                  orNull(f.title), orNull(f.location), orNull(f.publisher), orNull(f.year),
                                  orNull(f.pages), orNull(f.isbn),     orNull(f.price),     orNull(f.annotation),
                                  orNull(f.notes)};
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

QHash<qint64, QStringList> keywordsByBook(data::Connection &c)
{
    QHash<qint64, QStringList> out;
    auto st = c.prepare(QStringLiteral("SELECT book_id, keyword FROM keywords ORDER BY id"));
    st->execute();
    data::CellView cells[2];
    while (st->next()) {
        st->readRow(cells);
        out[cells[0].integer] << cellText(cells[1]);
    }
    return out;
}

Holding holdingAt(data::Dataset &books, int row, const std::array<int, 14> &columns)
{
    auto text = [&](int i) { return books.textAt(row, columns[std::size_t(i)]); };
    auto value = [&](int i) { return books.valueAt(row, columns[std::size_t(i)]); };
    Holding h;
    h.id = value(0).toLongLong();
    h.inventoryNumber = text(1);
    h.letter = text(2);
    BookFields &f = h.fields;
    f.author = text(3);
    f.title = text(4);
    f.location = text(5);
    f.publisher = text(6);
    if (value(7).isValid() && !value(7).isNull())
        f.year = value(7).toInt();
    if (value(8).isValid() && !value(8).isNull())
        f.pages = value(8).toInt();
    f.isbn = text(9);
    if (value(10).isValid() && !value(10).isNull())
        f.price = value(10).toDouble();
    f.annotation = text(11);
    f.notes = text(12);
    return h;
}

} // namespace

namespace {

// The bytes of a run of holdings in the export's form.
QByteArray recordBytes(const std::vector<Holding> &holdings, std::size_t from, std::size_t to, ExportForm form,
                       const QDate &today)
{
    const Format format = form == ExportForm::RusmarcIso ? Format::Rusmarc : Format::Marc21;
    YazMarc yaz;
    QByteArray bytes;
    for (std::size_t i = from; i < to; ++i) {
        const Record record = fromHolding(holdings[i], format, today);
        bytes += form == ExportForm::Marc21Xml ? yaz.writeMarcXml(record) : yaz.writeIso2709(record);
    }
    return bytes;
}

} // namespace

void exportRecords(store::TDBMod &module, const QString &fileName, ExportForm form, const data::Progress &progress)
{
    data::Dataset &books = module.MyBooks;
    std::array<int, 14> columns{};
    const char *names[] = {"id", "inv_num", "liter", "author", "title", "location", "publisher", "year_p",
                           "page_count", "isbn", "price", "annotation", "notes", "id"};
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = books.fieldIndex(QString::fromLatin1(names[i]));
    const QHash<qint64, QStringList> keywords = keywordsByBook(module.MyServer);
    const QDate today = QDate::currentDate();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw data::DataError(QStringLiteral("Не удалось открыть для записи файл %1").arg(fileName));
    if (form == ExportForm::Marc21Xml)
        file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<collection xmlns=\"http://www.loc.gov/MARC21/slim\">\n");
    // A block of holdings is read here while the block before it becomes records on two threads,
    // one half each: the machine's two cores write MARC about as fast as the catalogue is read.
    constexpr int Block = 2000;
    const int n = books.recordCount();
    std::vector<Holding> current, converting;
    std::future<QByteArray> firstHalf, secondHalf;
    auto finishBlock = [&] {
        if (firstHalf.valid())
            file.write(firstHalf.get());
        if (secondHalf.valid())
            file.write(secondHalf.get());
    };
    for (int start = 0; start < n; start += Block) {
        current.clear();
        for (int r = start; r < std::min(n, start + Block); ++r) {
            current.push_back(holdingAt(books, r, columns));
            current.back().fields.keywords = keywords.value(current.back().id);
        }
        finishBlock();
        converting.swap(current);
        const std::size_t half = converting.size() / 2;
        firstHalf = std::async(std::launch::async, recordBytes, std::cref(converting), 0, half, form, today);
        secondHalf = std::async(std::launch::async, recordBytes, std::cref(converting), half, converting.size(), form, today);
        if (progress)
            progress(start, n);
    }
    finishBlock();
    if (form == ExportForm::Marc21Xml)
        file.write("</collection>\n");
    if (!file.commit())
        throw data::DataError(QStringLiteral("Не удалось записать файл %1").arg(fileName));
}

} // namespace marc
