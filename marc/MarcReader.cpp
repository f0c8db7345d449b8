// Files of records split into records, each checked before YAZ reads it, so that a damaged
// record is named with its reason and the ones after it still come in.
#include "MarcReader.h"

#include "MarcDetect.h"
#include "MarcMapping.h"
#include "data/DataError.h"

namespace marc {

namespace {

constexpr char RecordEnd = 0x1D, FieldEnd = 0x1E;

bool digits(const char *p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i] < '0' || p[i] > '9')
            return false;
    return true;
}

int decimal(const char *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

// What some files put between or after records: line breaks, padding.
bool isFiller(char c) { return c == '\n' || c == '\r' || c == ' ' || c == '\0' || c == RecordEnd; }

// A leader as ISO 2709 has it: length, two indicators, subfield codes of two, base address.
bool looksLikeLeader(const char *p, qsizetype left)
{
    return left >= 24 && digits(p, 5) && p[10] == '2' && p[11] == '2' && digits(p + 12, 5);
}

// Why the record of exactly size bytes cannot be read; empty when its structure is sound.
QString structureProblem(const char *p, int size)
{
    if (p[size - 1] != RecordEnd)
        return QStringLiteral("неверная длина записи: на её конце нет знака конца записи");
    const int base = decimal(p + 12, 5);
    if (base < 25 || base > size - 1 || p[base - 1] != FieldEnd || (base - 25) % 12 != 0)
        return QStringLiteral("неверный справочник записи: адрес данных %1 не сходится с записью").arg(base);
    if (base == 25)
        return QStringLiteral("пустая запись: в ней нет ни одного поля");
    const int dataSize = size - base;
    for (int at = 24; at < base - 1; at += 12) {
        const char *entry = p + at;
        if (!digits(entry + 3, 9))
            return QStringLiteral("неверный справочник записи: элемент %1 не из цифр").arg((at - 24) / 12 + 1);
        const int length = decimal(entry + 3, 4), start = decimal(entry + 7, 5);
        if (length < 1 || start + length > dataSize || p[base + start + length - 1] != FieldEnd)
            return QStringLiteral("неверный справочник записи: поле %1 выходит за данные записи")
                .arg(QString::fromLatin1(entry, 3));
    }
    return {};
}

ReadRecord damaged(int number, const QString &problem)
{
    ReadRecord r;
    r.number = number;
    r.problem = problem;
    return r;
}

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

ReadRecord MarcReader::readOneIso2709(const char *p, qsizetype size, const ReadOptions &options, int number)
{
    if (QString problem = structureProblem(p, int(size)); !problem.isEmpty())
        return damaged(number, problem);
    RawRecord raw;
    if (!yaz_.readIso2709(p, int(size), raw))
        return damaged(number, QStringLiteral("запись не читается как ISO 2709"));
    return finish(raw, options, number);
}

ReadRecord MarcReader::readIso2709Record(const QByteArray &bytes, const ReadOptions &options, int number)
{
    if (!looksLikeLeader(bytes.constData(), bytes.size()) || decimal(bytes.constData(), 5) > bytes.size() ||
        decimal(bytes.constData(), 5) < 26)
        return damaged(number, QStringLiteral("ответ не является записью ISO 2709"));
    return readOneIso2709(bytes.constData(), decimal(bytes.constData(), 5), options, number);
}

std::vector<ReadRecord> MarcReader::readMarcXml(const QByteArray &bytes, const ReadOptions &options, int firstNumber)
{
    std::vector<RawRecord> raws;
    std::vector<ReadRecord> out;
    if (!yaz_.readMarcXml(bytes, raws))
        return out;
    for (const RawRecord &raw : raws)
        out.push_back(finish(raw, options, firstNumber + int(out.size())));
    return out;
}

std::vector<ReadRecord> MarcReader::readFile(const QByteArray &bytes, const ReadOptions &options)
{
    const char *p = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    while (at < size && (isFiller(p[at]) || p[at] == '\t'))
        ++at;
    if (at < size && p[at] == '<') {
        std::vector<ReadRecord> records = readMarcXml(bytes, options, 1);
        if (records.empty())
            throw data::DataError(QStringLiteral("В файле нет записей MARCXML."));
        return records;
    }
    if (!looksLikeLeader(p + at, size - at))
        throw data::DataError(QStringLiteral("Файл не является файлом записей MARC (ISO 2709 или MARCXML)."));
    std::vector<ReadRecord> records;
    while (at < size) {
        const int n = int(records.size()) + 1;
        const qsizetype left = size - at;
        const int length = left >= 24 && digits(p + at, 5) ? decimal(p + at, 5) : -1;
        if (left < 24) {
            records.push_back(damaged(n, QStringLiteral("запись обрывается: файл кончается посреди маркера")));
            break;
        }
        if (length > left) {
            records.push_back(damaged(n, QStringLiteral("запись обрывается: файл короче длины %1, указанной в маркере").arg(length)));
            break;
        }
        if (length < 0)
            records.push_back(damaged(n, QStringLiteral("в маркере записи нет её длины")));
        else if (length < 26)
            records.push_back(damaged(n, QStringLiteral("неверная длина записи %1").arg(length)));
        else
            records.push_back(readOneIso2709(p + at, length, options, n));
        if (length >= 26 && p[at + length - 1] == RecordEnd) {
            at += length;
        } else {
            // Reading goes on at the first leader after the next end of record.
            qsizetype next = bytes.indexOf(RecordEnd, at);
            if (next < 0)
                break;
            for (++next; next < size && !looksLikeLeader(p + next, size - next);)
                ++next;
            at = next;
        }
        while (at < size && isFiller(p[at]))
            ++at;
    }
    return records;
}

} // namespace marc
