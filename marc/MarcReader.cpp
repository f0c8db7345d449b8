// Files of records split into records, each checked before YAZ reads it, so that a damaged
// record is named with its reason and the ones after it still come in.
#include "MarcReader.h"

#include "IsoRecords.h"
#include "MarcDetect.h"
#include "MarcMapping.h"
#include "data/DataError.h"

#include <QBuffer>

namespace marc {

namespace {

ReadRecord damaged(int number, const QString &problem)
{
    ReadRecord r;
    r.number = number;
    r.problem = problem;
    return r;
}

// How far into a file its first records are looked for.
constexpr qint64 HeadBytes = 200000;

} // namespace

ReadRecord MarcReader::finish(const RawRecord &raw, const ReadOptions &options, int number)
{
    ReadRecord r;
    r.number = number;
    r.format = options.forced && options.format != Format::Auto ? options.format : detectFormat(raw.record, options.format);
    if (raw.decoded)
        r.charset = Charset::Utf8;
    else if (options.forced && options.charset != Charset::Auto)
        r.charset = options.charset;
    else
        r.charset = detectCharset(raw.record, r.format, options.charset);
    if (!yaz_.decode(raw, r.charset, r.record))
        return damaged(number, QStringLiteral("неверная последовательность байтов для кодировки %1").arg(charsetName(r.charset)));
    r.fields = toBookFields(r.record, r.format);
    if (r.fields.title.isEmpty())
        r.problem = QStringLiteral("в записи нет заглавия (формат %1)").arg(formatName(r.format));
    return r;
}

ReadRecord MarcReader::readOneIso2709(const QByteArray &bytes, const ReadOptions &options, int number)
{
    if (QString problem = structureProblem(bytes.constData(), int(bytes.size())); !problem.isEmpty())
        return damaged(number, problem);
    RawRecord raw;
    if (!yaz_.readIso2709(bytes.constData(), int(bytes.size()), raw))
        return damaged(number, QStringLiteral("запись не читается как ISO 2709"));
    return finish(raw, options, number);
}

ReadRecord MarcReader::readIso2709Record(const QByteArray &bytes, const ReadOptions &options, int number)
{
    if (!looksLikeLeader(bytes.constData(), bytes.size()) || bytes.left(5).toInt() != bytes.size())
        return damaged(number, QStringLiteral("ответ не является записью ISO 2709"));
    return readOneIso2709(bytes, options, number);
}

void MarcReader::readXmlStream(QIODevice &in, const ReadOptions &options, int firstNumber, const Sink &take)
{
    int number = firstNumber;
    const bool xml = yaz_.readMarcXml(in, [&](RawRecord *raw, const QString &problem) {
        return take(raw ? finish(*raw, options, number++) : damaged(number++, problem));
    });
    if (!xml)
        throw data::DataError(QStringLiteral("В файле нет записей MARCXML: он не является документом XML."));
}

std::vector<ReadRecord> MarcReader::readMarcXml(const QByteArray &bytes, const ReadOptions &options, int firstNumber)
{
    std::vector<ReadRecord> out;
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    yaz_.readMarcXml(in, [&](RawRecord *raw, const QString &problem) {
        out.push_back(raw ? finish(*raw, options, firstNumber + int(out.size())) : damaged(firstNumber + int(out.size()), problem));
        return true;
    });
    return out;
}

void MarcReader::readStream(QIODevice &in, const ReadOptions &options, const Sink &take)
{
    const FileKind kind = fileKind(in.peek(HeadBytes));
    if (kind == FileKind::Empty)
        throw data::DataError(QStringLiteral("Файл пуст: в нём нет ни одной записи MARC."));
    if (kind == FileKind::Other)
        throw data::DataError(QStringLiteral("Файл не является файлом записей MARC (ISO 2709 или MARCXML)."));
    if (kind == FileKind::Xml) {
        int count = 0;
        readXmlStream(in, options, 1, [&](ReadRecord &&r) {
            ++count;
            return take(std::move(r));
        });
        if (count == 0)
            throw data::DataError(QStringLiteral("В файле нет записей MARCXML."));
        return;
    }
    IsoRecords records(in);
    QByteArray bytes;
    QString problem;
    for (int n = 1; records.next(bytes, problem); ++n)
        if (!take(problem.isEmpty() ? readOneIso2709(bytes, options, n) : damaged(n, problem)))
            return;
}

std::vector<ReadRecord> MarcReader::readFile(const QByteArray &bytes, const ReadOptions &options)
{
    std::vector<ReadRecord> out;
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    readStream(in, options, [&](ReadRecord &&r) {
        out.push_back(std::move(r));
        return true;
    });
    return out;
}

} // namespace marc
