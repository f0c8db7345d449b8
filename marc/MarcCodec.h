#pragma once

#include "MarcRecord.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class QIODevice;

namespace marc {

enum class Format { Auto, Marc21, Rusmarc, Unimarc };
enum class Charset { Auto, Utf8, Cp1251, Marc8 };

QString formatName(Format format);          // "MARC21", "RUSMARC", "UNIMARC"; empty for Auto
Format formatFromName(const QString &name); // Auto for a name it does not know
QString charsetName(Charset charset);       // "UTF-8", "Windows-1251", "MARC-8"; empty for Auto
Charset charsetFromName(const QString &name);

// A record as it was read, before its text is decoded: each byte of a value is one character
// (U+0000 to U+00FF), so the character set can be chosen once the structure is known. A MARCXML
// record's bytes are UTF-8 whatever the record says (`decoded`).
struct RawRecord {
    Record record;
    bool decoded = false;
};

// Values of a record kept with the UTF-8 they were decoded from, so that writing the record hands
// YAZ those bytes instead of encoding the values again. A value is found by being that very
// string (shared, not equal): what was cut or changed on the way is encoded as usual.
class Utf8Sources {
public:
    // text is QString::fromUtf8(bytes); bytes that do not come back the same when encoded
    // (invalid UTF-8, a leading byte order mark the decoding drops) are not kept.
    void add(const QString &text, std::string_view bytes);
    void clear() { known_.clear(); }
    const std::string_view *bytesOf(const QString &value) const;

private:
    std::vector<std::pair<QString, std::string_view>> known_;
};

// YAZ's MARC handle and its character set converters, kept for a run of records. Not shared
// between threads.
class YazMarc {
public:
    YazMarc();
    ~YazMarc();
    YazMarc(const YazMarc &) = delete;
    YazMarc &operator=(const YazMarc &) = delete;

    // One ISO 2709 record of exactly size bytes; false when YAZ cannot read it.
    bool readIso2709(const char *bytes, int size, RawRecord &out);
    // The records of a MARCXML document (a collection or one record), one at a time, as they are
    // read: take gets each record, or nullptr and why it cannot be read, and returns false to stop.
    // A document broken off or damaged ends with a last call that says so. False when the stream
    // holds no XML element at all.
    using XmlSink = std::function<bool(RawRecord *raw, const QString &problem)>;
    bool readMarcXml(QIODevice &in, const XmlSink &take);
    // The record's text in the character set; false when a value is not valid there.
    bool decode(const RawRecord &raw, Charset charset, Record &out);

    // The record, whose text is written as UTF-8, added at the end of out; when ISO 2709 cannot
    // hold it (a field over 9999 bytes, the record over 99,999), nothing is added and the
    // reason is returned.
    // The values sources knows go to YAZ as the bytes they were read from.
    QString appendIso2709(const Record &record, QByteArray &out, const Utf8Sources *sources = nullptr);
    void appendMarcXml(const Record &record, QByteArray &out, const Utf8Sources *sources = nullptr); // one <record> of a collection
    QByteArray writeIso2709(const Record &record);
    QByteArray writeMarcXml(const Record &record);

private:
    struct Handles;
    std::unique_ptr<Handles> h_;
};

} // namespace marc
