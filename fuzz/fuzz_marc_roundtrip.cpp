// Cards through export and import: a card made of the input's text, rubrics too, its annotation
// and notes repeated to well over a field's 9999 bytes when its first byte says so, is written in
// each of the three forms and read back. What a record can hold of the card (exchangeFields, letters
// composed as import composes them) comes back exactly; ISO 2709 may refuse a record only for a
// field it cannot cut or a record over 99,999 bytes, and MARCXML never refuses.
#include "FuzzCheck.h"
#include "MarcMapping.h"
#include "MarcReader.h"
#include "MarcValues.h"
#include "data/DataError.h"

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
        parts << shown(fieldText(f, BookField(i)).left(300));
    for (const QStringList &rubric : f.rubrics)
        parts << shown(rubric.join(QStringLiteral(" / ")).left(300));
    return parts.join(u'|');
}

BookFields cardFrom(const QByteArray &bytes)
{
    const uchar repeat = bytes.isEmpty() ? 0 : uchar(bytes[0]);
    const QStringList pieces = QString::fromUtf8(bytes.mid(1)).split(u'\x01');
    BookFields f;
    f.author = pieces.value(0);
    f.title = pieces.value(1);
    f.location = pieces.value(2);
    f.publisher = pieces.value(3);
    f.annotation = pieces.value(4).repeated(1 + (repeat & 0x0F) * 600);
    f.notes = pieces.value(5).repeated(1 + (repeat >> 4) * 300);
    for (const QString &k : pieces.value(6).split(u'\x02'))
        f.keywords << k;
    f.isbn = pieces.value(7);
    // Rubrics between "\x02", the titles of one from the top level down between "\x03".
    if (pieces.size() > 8)
        for (const QString &rubric : pieces.value(8).split(u'\x02'))
            f.rubrics << rubric.split(u'\x03');
    const uint seed = qHash(bytes);
    f.year = int(seed % 3000);
    f.pages = int(seed % 100000);
    f.price = double(seed % 1000000) / 100.0;
    if (exchangeText(f.title).isEmpty())
        f.title = QStringLiteral("Заглавие");
    return f;
}

BookFields composed(BookFields f)
{
    for (QString *text : {&f.author, &f.title, &f.location, &f.publisher, &f.isbn, &f.annotation, &f.notes})
        *text = text->normalized(QString::NormalizationForm_C);
    for (QString &k : f.keywords)
        k = k.normalized(QString::NormalizationForm_C);
    f.keywords.removeDuplicates();
    QList<QStringList> rubrics;
    for (QStringList rubric : std::as_const(f.rubrics)) {
        for (QString &title : rubric)
            title = title.normalized(QString::NormalizationForm_C);
        if (!rubrics.contains(rubric))
            rubrics << rubric;
    }
    f.rubrics = rubrics;
    return f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const BookFields card = cardFrom(input);
    const BookFields expected = composed(exchangeFields(card));
    YazMarc yaz;
    for (const auto &[format, xml] : {std::pair{Format::Marc21, false}, {Format::Marc21, true}, {Format::Rusmarc, false}}) {
        const Record record = fromHolding({7, QStringLiteral("12"), QStringLiteral("К"), card}, format, QDateTime(QDate(2024, 1, 2), QTime(9, 0)));
        QByteArray bytes;
        if (xml) {
            bytes = "<collection>" + yaz.writeMarcXml(record) + "</collection>";
        } else if (const QString problem = yaz.appendIso2709(record, bytes); !problem.isEmpty()) {
            const bool cut = problem.contains(QLatin1String("поле 5")) || problem.contains(QLatin1String("поле 3"));
            check(!cut, "free text is cut into fields that fit", problem);
            continue;
        }
        try {
            const std::vector<ReadRecord> back = MarcReader().readFile(bytes, {});
            check(back.size() == 1 && back[0].ok(), "one record written, one read", describe(expected) + u'\n' +
                                                                                         (back.empty() ? QString() : back[0].problem));
            check(back[0].format == format, "the record is read in the format written");
            check(back[0].fields == expected, "a card written by export reads back the same",
                  describe(expected) + QStringLiteral("\nread: ") + describe(back[0].fields));
        } catch (const data::DataError &e) {
            fail("what export writes is MARC", describe(expected) + u'\n' + e.message());
        }
    }
    return 0;
}
