#pragma once

// What the MARC tests share: ISO 2709 records built byte by byte (so that a test can give any
// character set or damage), and records read back from bytes.
#include "MarcReader.h"

#include <QByteArray>
#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <utility>

namespace marc_tests {

// A field as its bytes: a control field's data, or two indicators and "\x1f"-led subfields.
using RawField = std::pair<QByteArray, QByteArray>;

inline QByteArray isoRecord(const QList<RawField> &fields, char coding = ' ', const QByteArray &tail = "4500")
{
    QByteArray directory, data;
    for (const auto &[tag, body] : fields) {
        const QByteArray d = body + '\x1e';
        directory += tag + QByteArray::number(d.size()).rightJustified(4, '0') +
                     QByteArray::number(data.size()).rightJustified(5, '0');
        data += d;
    }
    const int base = 24 + int(directory.size()) + 1;
    const int total = base + int(data.size()) + 1;
    QByteArray leader = QByteArray::number(total).rightJustified(5, '0') + "nam " + coding + "22" +
                        QByteArray::number(base).rightJustified(5, '0') + "   " + tail;
    return leader + directory + '\x1e' + data + '\x1d';
}

inline QByteArray cp1251(const QString &text) { return QStringEncoder("windows-1251").encode(text); }
inline QByteArray utf8(const QString &text) { return text.toUtf8(); }

// A data field with indicators "  " and the subfields given as code, value pairs.
inline QByteArray subfields(const QList<std::pair<char, QByteArray>> &values, const QByteArray &indicators = "  ")
{
    QByteArray body = indicators;
    for (const auto &[code, value] : values)
        body += '\x1f' + QByteArray(1, code) + value;
    return body;
}

inline std::vector<marc::ReadRecord> readBytes(const QByteArray &bytes, marc::ReadOptions options = {})
{
    marc::MarcReader reader;
    return reader.readFile(bytes, options);
}

} // namespace marc_tests
