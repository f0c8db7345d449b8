// YAZ does every byte of MARC: ISO 2709 and MARCXML read and written, and the character sets.
// Between YAZ and our record the fields travel as YAZ's JSON form, which keeps every byte.
#include "MarcCodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QStringEncoder>

#include <QIODevice>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>
#include <yaz/marcdisp.h>
#include <yaz/wrbuf.h>
#include <yaz/yaz-iconv.h>

#include <algorithm>
#include <array>

namespace marc {

namespace {

constexpr std::array<std::pair<Format, const char *>, 3> FormatNames{
    {{Format::Marc21, "MARC21"}, {Format::Rusmarc, "RUSMARC"}, {Format::Unimarc, "UNIMARC"}}};
constexpr std::array<std::pair<Charset, const char *>, 3> CharsetNames{
    {{Charset::Utf8, "UTF-8"}, {Charset::Cp1251, "Windows-1251"}, {Charset::Marc8, "MARC-8"}}};

QString latin1Value(const QJsonValue &value) { return value.toString(); }

void addJsonField(Record &record, const QString &tag, const QJsonValue &body)
{
    if (!body.isObject()) {
        record.addControl(tag, latin1Value(body));
        return;
    }
    const QJsonObject o = body.toObject();
    const QString i1 = o.value(QLatin1String("ind1")).toString(), i2 = o.value(QLatin1String("ind2")).toString();
    Field &f = record.addField(tag, i1.isEmpty() ? QChar(u' ') : i1[0], i2.isEmpty() ? QChar(u' ') : i2[0]);
    for (const QJsonValue &s : o.value(QLatin1String("subfields")).toArray()) {
        const QJsonObject sub = s.toObject();
        for (auto it = sub.begin(); it != sub.end(); ++it)
            f.subfields.push_back({it.key().isEmpty() ? QChar(u' ') : it.key()[0], latin1Value(it.value())});
    }
}

} // namespace

QString formatName(Format format)
{
    for (const auto &[f, name] : FormatNames)
        if (f == format)
            return QString::fromLatin1(name);
    return {};
}

Format formatFromName(const QString &name)
{
    for (const auto &[f, text] : FormatNames)
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return f;
    return Format::Auto;
}

QString charsetName(Charset charset)
{
    for (const auto &[c, name] : CharsetNames)
        if (c == charset)
            return QString::fromLatin1(name);
    return {};
}

Charset charsetFromName(const QString &name)
{
    QString n = name.trimmed().toLower();
    n.remove(u'-');
    if (n == u"utf8")
        return Charset::Utf8;
    if (n == u"windows1251" || n == u"cp1251")
        return Charset::Cp1251;
    if (n == u"marc8")
        return Charset::Marc8;
    return Charset::Auto;
}

void Utf8Sources::add(const QString &text, std::string_view bytes)
{
    // Decoding gives U+FFFD for whatever is not UTF-8 and drops a leading byte order mark.
    if (!bytes.starts_with("\xEF\xBB\xBF") && !text.contains(QChar::ReplacementCharacter))
        known_.emplace_back(text, bytes);
}

const std::string_view *Utf8Sources::bytesOf(const QString &value) const
{
    for (const auto &[text, bytes] : known_)
        if (text.constData() == value.constData() && text.size() == value.size())
            return &bytes;
    return nullptr;
}

struct YazMarc::Handles {
    yaz_marc_t mt = yaz_marc_create();
    WRBUF out = wrbuf_alloc();
    yaz_iconv_t rawToUtf8 = yaz_iconv_open("utf-8", "iso-8859-1");
    std::array<yaz_iconv_t, 3> decoders{yaz_iconv_open("utf-8", "utf-8"), yaz_iconv_open("utf-8", "cp1251"),
                                        yaz_iconv_open("utf-8", "marc8")};
    ~Handles()
    {
        for (yaz_iconv_t cd : decoders)
            if (cd)
                yaz_iconv_close(cd);
        if (rawToUtf8)
            yaz_iconv_close(rawToUtf8);
        wrbuf_destroy(out);
        yaz_marc_destroy(mt);
    }
    // Whatever YAZ holds now, as our record.
    bool takeRecord(RawRecord &target, bool decoded)
    {
        wrbuf_rewind(out);
        if (yaz_marc_write_json(mt, out) != 0)
            return false;
        const QJsonDocument doc =
            QJsonDocument::fromJson(QByteArray::fromRawData(wrbuf_buf(out), int(wrbuf_len(out))));
        if (!doc.isObject())
            return false;
        target.record = {};
        target.decoded = decoded;
        target.record.leader = doc.object().value(QLatin1String("leader")).toString();
        for (const QJsonValue &f : doc.object().value(QLatin1String("fields")).toArray()) {
            const QJsonObject field = f.toObject();
            for (auto it = field.begin(); it != field.end(); ++it)
                addJsonField(target.record, it.key(), it.value());
        }
        return true;
    }
};

YazMarc::YazMarc() : h_(std::make_unique<Handles>()) {}
YazMarc::~YazMarc() = default;

bool YazMarc::readIso2709(const char *bytes, int size, RawRecord &out)
{
    yaz_marc_reset(h_->mt);
    // Byte for byte into the JSON text: the character set is chosen afterwards.
    yaz_marc_iconv(h_->mt, h_->rawToUtf8);
    const int used = yaz_marc_read_iso2709(h_->mt, bytes, size);
    const bool ok = used > 0 && h_->takeRecord(out, false);
    yaz_marc_iconv(h_->mt, nullptr);
    return ok;
}

namespace {

// The record element of MARCXML: in the MARC21 slim namespace or in none (an SRU envelope's own
// <record> is in another).
bool isMarcRecord(xmlTextReaderPtr reader)
{
    if (xmlStrcmp(xmlTextReaderConstLocalName(reader), BAD_CAST "record") != 0)
        return false;
    const xmlChar *ns = xmlTextReaderConstNamespaceUri(reader);
    return !ns || xmlStrcmp(ns, BAD_CAST "http://www.loc.gov/MARC21/slim") == 0;
}

int readFromDevice(void *device, char *buffer, int length)
{
    const qint64 n = static_cast<QIODevice *>(device)->read(buffer, length);
    return n < 0 ? -1 : int(n);
}

void keepXmlError(void *where, const char *message, xmlParserSeverities severity, xmlTextReaderLocatorPtr locator)
{
    auto *error = static_cast<QString *>(where);
    if (error->isEmpty() && (severity == XML_PARSER_SEVERITY_ERROR || severity == XML_PARSER_SEVERITY_VALIDITY_ERROR))
        *error = QStringLiteral("строка %1: %2").arg(xmlTextReaderLocatorLineNumber(locator)).arg(QString::fromUtf8(message).trimmed());
}

} // namespace

bool YazMarc::readMarcXml(QIODevice &in, const XmlSink &take)
{
    // No entity is expanded and nothing is fetched: a document that defines entities within
    // entities gets libxml2's limits, which XML_PARSE_HUGE would lift.
    const std::unique_ptr<xmlTextReader, void (*)(xmlTextReaderPtr)> owner(
        xmlReaderForIO(readFromDevice, nullptr, &in, nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        xmlFreeTextReader);
    xmlTextReaderPtr reader = owner.get(); // freed also when take throws (the work was cancelled)
    if (!reader)
        return false;
    QString error;
    xmlTextReaderSetErrorHandler(reader, keepXmlError, &error);
    bool element = false, going = true;
    int status = xmlTextReaderRead(reader);
    while (status == 1 && going) {
        if (xmlTextReaderNodeType(reader) != XML_READER_TYPE_ELEMENT || !isMarcRecord(reader)) {
            element = element || xmlTextReaderNodeType(reader) == XML_READER_TYPE_ELEMENT;
            status = xmlTextReaderRead(reader);
            continue;
        }
        element = true;
        const xmlNodePtr node = xmlTextReaderExpand(reader);
        if (!node) {
            status = -1;
            break;
        }
        yaz_marc_reset(h_->mt);
        RawRecord raw;
        // Byte for byte as well: Qt's JSON reading would drop a value's leading U+FEFF.
        yaz_marc_iconv(h_->mt, h_->rawToUtf8);
        const bool read = yaz_marc_read_xml(h_->mt, node) == 0 && h_->takeRecord(raw, true);
        yaz_marc_iconv(h_->mt, nullptr);
        if (read)
            going = take(&raw, {});
        else
            going = take(nullptr, QStringLiteral("запись не читается как MARCXML: нет маркера или поля не по схеме"));
        status = xmlTextReaderNext(reader);
    }
    // A document that fails before its first element (a DTD refused) is XML still, damaged.
    const bool xml = element || !error.isEmpty();
    if (status < 0 && going && xml)
        take(nullptr, QStringLiteral("документ XML обрывается или испорчен (%1)").arg(error.isEmpty() ? QStringLiteral("ошибка разбора") : error));
    return xml;
}

namespace {

// Letters in composed form, whatever form the record gave them in: MARC-8 puts a diacritic after
// its letter as a combining mark, and UTF-8 records often come decomposed; the card wants the letter.
void composeLetters(Record &record)
{
    const auto compose = [](QString &value) {
        if (std::any_of(value.cbegin(), value.cend(), [](QChar c) { return c.unicode() >= 0x80; }))
            value = value.normalized(QString::NormalizationForm_C);
    };
    for (Field &f : record.fields) {
        compose(f.data);
        for (Subfield &s : f.subfields)
            compose(s.value);
    }
}

} // namespace

bool YazMarc::decode(const RawRecord &raw, Charset charset, Record &out)
{
    out = raw.record;
    // MARCXML is UTF-8 whatever else was said.
    const int which = raw.decoded ? 0 : charset == Charset::Cp1251 ? 1 : charset == Charset::Marc8 ? 2 : 0;
    yaz_iconv_t cd = h_->decoders[std::size_t(which)];
    if (!cd)
        return false;
    QByteArray converted;
    // YAZ's and Qt's plain UTF-8 decoding both take a value's leading U+FEFF for a byte order
    // mark and drop it; a value that begins with one keeps it.
    thread_local QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    auto convert = [&](QString &value) {
        bool plain = true;
        for (QChar c : value)
            plain = plain && c.unicode() < 0x80;
        if (plain)
            return true;
        QByteArray in = value.toLatin1();
        if (which == 0) {
            utf8.resetState();
            QString decoded = utf8.decode(in);
            if (utf8.hasError())
                return false;
            value = std::move(decoded);
            return true;
        }
        char *inPtr = in.data();
        size_t inLeft = size_t(in.size());
        converted.resize(in.size() * 4 + 16);
        char *outPtr = converted.data();
        size_t outLeft = size_t(converted.size());
        if (yaz_iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) ||
            yaz_iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1))
            return false;
        utf8.resetState();
        value = utf8.decode(QByteArrayView(converted.constData(), qsizetype(converted.size() - qsizetype(outLeft))));
        return true;
    };
    yaz_iconv(cd, nullptr, nullptr, nullptr, nullptr);
    for (Field &f : out.fields) {
        if (!convert(f.data))
            return false;
        for (Subfield &s : f.subfields)
            if (!convert(s.value))
                return false;
    }
    composeLetters(out);
    return true;
}

namespace {

// The record into YAZ; what ISO 2709 cannot hold of it (a field of more than 9999 bytes, a
// record of more than 99,999, which YAZ would cut), empty when it holds it all.
QString loadIntoYaz(yaz_marc_t mt, const Record &record, const Utf8Sources *sources)
{
    // One buffer for every value: a record's text is encoded without an allocation per value.
    thread_local QByteArray buffer;
    thread_local QStringEncoder utf8(QStringEncoder::Utf8);
    auto encoded = [&](char code, const QString &value) {
        const std::string_view *read = sources ? sources->bytesOf(value) : nullptr;
        if (read && !code)
            return std::pair<const char *, std::size_t>(read->data(), read->size());
        buffer.resize(1 + (read ? qsizetype(read->size()) : utf8.requiredSpace(value.size())));
        char *start = buffer.data();
        *start = code;
        char *end = read ? std::copy(read->begin(), read->end(), start + 1) : utf8.appendToBuffer(start + 1, value);
        return std::pair<const char *, std::size_t>(code ? start : start + 1, std::size_t(end - start - (code ? 0 : 1)));
    };
    yaz_marc_reset(mt);
    int indicatorLength, identifierLength, baseAddress, entryLength, startLength, implementationLength;
    // Export gives every record one of two leaders: its bytes are made once.
    thread_local QString lastLeader;
    thread_local QByteArray leader;
    if (leader.isEmpty() || !record.leader.isSharedWith(lastLeader)) {
        lastLeader = record.leader;
        leader = record.leader.toLatin1().leftJustified(24, ' ', true);
    }
    yaz_marc_set_leader(mt, leader.constData(), &indicatorLength, &identifierLength, &baseAddress, &entryLength,
                        &startLength, &implementationLength);
    QString problem;
    std::size_t recordBytes = 24 + 1 + 1; // leader, the directory's terminator, the record's
    for (const Field &f : record.fields) {
        char tag[4] = {'0', '0', '0', 0};
        for (qsizetype i = 0; i < 3 && i < f.tag.size(); ++i)
            tag[i] = char(f.tag[i].toLatin1());
        std::size_t bytes = 1; // the field terminator
        if (f.isControl()) {
            const auto [data, size] = encoded(0, f.data);
            yaz_marc_add_controlfield(mt, tag, data, size);
            bytes += size;
        } else {
            const char indicators[2] = {char(f.ind1.toLatin1()), char(f.ind2.toLatin1())};
            yaz_marc_add_datafield(mt, tag, indicators, 2);
            bytes += 2;
            for (const Subfield &s : f.subfields) {
                const auto [codeAndValue, size] = encoded(char(s.code.toLatin1()), s.value);
                yaz_marc_add_subfield(mt, codeAndValue, size);
                bytes += 1 + size;
            }
        }
        if (bytes > 9999 && problem.isEmpty())
            problem = QStringLiteral("поле %1 длиннее 9999 байт, которые вмещает поле ISO 2709").arg(QLatin1StringView(tag));
        recordBytes += 12 + bytes;
    }
    if (recordBytes > 99999 && problem.isEmpty())
        problem = QStringLiteral("запись длиннее 99 999 байт, которые вмещает запись ISO 2709");
    return problem;
}

} // namespace

QString YazMarc::appendIso2709(const Record &record, QByteArray &out, const Utf8Sources *sources)
{
    QString problem = loadIntoYaz(h_->mt, record, sources);
    wrbuf_rewind(h_->out);
    if (problem.isEmpty() && yaz_marc_write_iso2709(h_->mt, h_->out) != 0)
        problem = QStringLiteral("YAZ не записал её в ISO 2709");
    if (problem.isEmpty())
        out.append(wrbuf_buf(h_->out), qsizetype(wrbuf_len(h_->out)));
    return problem;
}

void YazMarc::appendMarcXml(const Record &record, QByteArray &out, const Utf8Sources *sources)
{
    loadIntoYaz(h_->mt, record, sources);
    wrbuf_rewind(h_->out);
    if (yaz_marc_write_marcxml(h_->mt, h_->out) == 0)
        out.append(wrbuf_buf(h_->out), qsizetype(wrbuf_len(h_->out)));
}

QByteArray YazMarc::writeIso2709(const Record &record)
{
    QByteArray out;
    appendIso2709(record, out);
    return out; // empty when the record does not fit
}

QByteArray YazMarc::writeMarcXml(const Record &record)
{
    QByteArray out;
    appendMarcXml(record, out);
    return out;
}

} // namespace marc
