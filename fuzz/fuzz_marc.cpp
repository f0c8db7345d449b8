// MARC reading, of files and of catalogue answers. The input is read as a file: every record
// comes out either read (with a title) or with a reason, the same on a second reading. It is also
// made into a holding: what export writes in each form reads back as the same fields, and a
// second round trip changes nothing more.
#include "FuzzCheck.h"
#include "MarcMapping.h"
#include "MarcReader.h"
#include "data/DataError.h"

#include <QDate>
#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::fail;
using fuzzcheck::shown;
using namespace marc;

namespace {

QString describe(const BookFields &f)
{
    QStringList parts;
    for (int i = 0; i < BookFieldCount; ++i)
        parts << shown(fieldText(f, BookField(i)));
    return parts.join(u'|');
}

void readAsFile(const QByteArray &bytes)
{
    std::vector<ReadRecord> first, second;
    try {
        first = MarcReader().readFile(bytes, {});
        second = MarcReader().readFile(bytes, {});
    } catch (const data::DataError &e) {
        check(!e.message().isEmpty(), "a refused file is refused with a reason");
        return;
    }
    check(first.size() == second.size(), "reading twice gives as many records");
    for (std::size_t i = 0; i < first.size(); ++i) {
        const ReadRecord &r = first[i];
        check(r.number == int(i) + 1 || bytes.trimmed().startsWith('<'), "records are numbered in order");
        check(r.ok() ? !r.fields.title.isEmpty() : !r.problem.isEmpty(), "a record is read with a title or has a reason");
        check(r.fields == second[i].fields && r.problem == second[i].problem, "reading twice gives the same record",
              describe(r.fields) + QStringLiteral("\n") + describe(second[i].fields));
    }
}

// Text of the letters, digits, blanks, hyphens and full stops of a piece of the input, as the
// card would hold it: composed, as import puts letters (a compatibility ideograph such as U+F9E7
// comes back as the ideograph it stands for, which looks the same).
QString plainText(const QString &piece)
{
    QString out;
    for (QChar c : piece)
        if (c.isLetterOrNumber() || c == u' ' || c == u'-' || c == u'.' || c == u'\n')
            out += c;
    return tidyValue(out.normalized(QString::NormalizationForm_C));
}

BookFields holdingFrom(const QByteArray &bytes, bool plain)
{
    const QStringList pieces = QString::fromUtf8(bytes).split(u'\x01');
    auto piece = [&](int i) { return plain ? plainText(pieces.value(i)) : pieces.value(i); };
    BookFields f;
    f.author = piece(0);
    f.title = piece(1);
    if (f.title.isEmpty())
        f.title = QStringLiteral("Заглавие");
    if (plain && !piece(8).isEmpty())
        f.title += QStringLiteral(" : ") + piece(8);
    f.location = piece(2);
    f.publisher = piece(3);
    f.annotation = piece(4);
    f.notes = piece(5);
    for (const QString &k : pieces.value(6).split(u'\x02'))
        if (const QString word = plain ? plainText(k) : k; !word.isEmpty() && !f.keywords.contains(word))
            f.keywords << word;
    const uint seed = qHash(bytes);
    f.year = int(seed % 3000);
    f.pages = int(seed % 100000);
    f.price = double(seed % 1000000) / 100.0;
    f.isbn = plain ? QStringLiteral("978%1").arg(seed % 1000000000, 10, 10, QLatin1Char('0')) : piece(7);
    return f;
}

BookFields roundTrip(const BookFields &fields, Format format, bool xml)
{
    YazMarc yaz;
    const Record r = fromHolding({7, QStringLiteral("12"), QStringLiteral("К"), fields}, format, QDate(2024, 1, 2));
    const QByteArray bytes = xml ? QByteArray("<collection>") + yaz.writeMarcXml(r) + "</collection>" : yaz.writeIso2709(r);
    try {
        const std::vector<ReadRecord> back = MarcReader().readFile(bytes, {});
        check(back.size() == 1, "one record written, one read", describe(fields));
        return back[0].fields;
    } catch (const data::DataError &e) {
        fail("what export writes is MARC", describe(fields) + u'\n' + e.message());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    readAsFile(bytes);
    for (const auto &[format, xml] : {std::pair{Format::Marc21, false}, {Format::Marc21, true}, {Format::Rusmarc, false}}) {
        const BookFields plain = holdingFrom(bytes, true);
        const BookFields back = roundTrip(plain, format, xml);
        check(back == plain, "a holding written by export reads back with the same fields",
              describe(plain) + QStringLiteral("\nread: ") + describe(back));
        // Any text: what comes back once comes back again unchanged.
        const BookFields once = roundTrip(holdingFrom(bytes, false), format, false);
        if (!once.title.isEmpty()) {
            const BookFields twice = roundTrip(once, format, false);
            check(twice == once, "a second round trip changes nothing", describe(once) + QStringLiteral("\nthen: ") + describe(twice));
        }
    }
    return 0;
}
