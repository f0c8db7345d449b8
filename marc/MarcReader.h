#pragma once

#include "BookFields.h"
#include "MarcCodec.h"
#include "MarcRecord.h"

#include <QByteArray>
#include <functional>
#include <vector>

class QIODevice;

namespace marc {

// How to read records: a format and a character set chosen by the librarian (forced), or the
// ones a catalogue's settings name for records that do not say (fallback).
struct ReadOptions {
    Format format = Format::Auto;
    Charset charset = Charset::Auto;
    bool forced = false;
};

// One record of a file or of a catalogue's answer, read and mapped; a damaged one carries the
// reason in Russian and nothing else.
struct ReadRecord {
    int number = 0; // 1-based place in the file or the answer
    Record record;
    Format format = Format::Auto;
    Charset charset = Charset::Auto;
    BookFields fields;
    QString problem;
    bool ok() const { return problem.isEmpty(); }
};

// Reads MARC through YAZ: whole files (ISO 2709 or MARCXML) and the single records a catalogue
// sends. A file that is not MARC at all raises data::DataError and gives nothing.
class MarcReader {
public:
    // Each record of a file as it is read, in the memory of one record; take returns false to
    // stop. Raises data::DataError when the file holds no MARC records.
    using Sink = std::function<bool(ReadRecord &&record)>;
    void readStream(QIODevice &in, const ReadOptions &options, const Sink &take);
    std::vector<ReadRecord> readFile(const QByteArray &bytes, const ReadOptions &options);
    // One ISO 2709 record, as Z39.50 brings it.
    ReadRecord readIso2709Record(const QByteArray &bytes, const ReadOptions &options, int number);
    // The records of a MARCXML text, as SRU brings them.
    std::vector<ReadRecord> readMarcXml(const QByteArray &bytes, const ReadOptions &options, int firstNumber);

private:
    ReadRecord finish(const RawRecord &raw, const ReadOptions &options, int number);
    ReadRecord readOneIso2709(const QByteArray &bytes, const ReadOptions &options, int number);
    void readXmlStream(QIODevice &in, const ReadOptions &options, int firstNumber, const Sink &take);
    YazMarc yaz_;
};

} // namespace marc
