#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

namespace marc {

// Cuts a stream of ISO 2709 bytes into records, holding at most a little more than one record:
// a file of any size is read in the memory of its largest record. A record ends at its record
// terminator whatever its leader says, so that a wrong length costs that record alone.
class IsoRecords {
public:
    explicit IsoRecords(QIODevice &in);

    // The next record's bytes, or, with problem set, the damaged piece that stood in its place;
    // false at the end of the stream.
    bool next(QByteArray &record, QString &problem);

private:
    bool fill(qsizetype wanted);
    void skipFiller();
    qsizetype nextLeaderWithin(qsizetype from, qsizetype end) const;

    QIODevice &in_;
    QByteArray buffer_;
    qsizetype at_ = 0;
    bool ended_ = false;
};

// The leader ISO 2709 starts a record with: a length, two indicators, subfield codes of two
// bytes and the base address.
bool looksLikeLeader(const char *p, qsizetype left);

// Why the record of exactly size bytes cannot be read; empty when its structure is sound.
QString structureProblem(const char *p, int size);

// The first bytes of a file as they tell what it holds.
enum class FileKind { Empty, Xml, Iso2709, Other };
FileKind fileKind(const QByteArray &head);

} // namespace marc
