#include "IsoRecords.h"

#include <QIODevice>

namespace marc {

namespace {

constexpr char RecordEnd = 0x1D, FieldEnd = 0x1E;
// No record is longer: its length has five digits.
constexpr qsizetype LongestRecord = 99999;
constexpr qsizetype ReadChunk = 1 << 20;

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
bool isFiller(char c) { return c == '\n' || c == '\r' || c == ' ' || c == '\t' || c == '\0' || c == RecordEnd; }

} // namespace

bool looksLikeLeader(const char *p, qsizetype left)
{
    return left >= 24 && digits(p, 5) && p[10] == '2' && p[11] == '2' && digits(p + 12, 5);
}

QString structureProblem(const char *p, int size)
{
    if (size < 26 || !looksLikeLeader(p, size))
        return QStringLiteral("неверный маркер записи");
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
        if (length < 1 || start + length > dataSize)
            return QStringLiteral("неверный справочник записи: поле %1 выходит за данные записи").arg(QString::fromLatin1(entry, 3));
        if (p[base + start + length - 1] != FieldEnd)
            return QStringLiteral("в поле %1 нет знака конца поля").arg(QString::fromLatin1(entry, 3));
    }
    return {};
}

FileKind fileKind(const QByteArray &head)
{
    qsizetype at = head.startsWith("\xEF\xBB\xBF") ? 3 : 0; // UTF-8's byte order mark
    while (at < head.size() && isFiller(head[at]))
        ++at;
    if (at == head.size())
        return FileKind::Empty;
    if (head[at] == '<')
        return FileKind::Xml;
    if (looksLikeLeader(head.constData() + at, head.size() - at))
        return FileKind::Iso2709;
    // A damaged first leader: records are still there when a leader follows a record terminator.
    for (qsizetype end = head.indexOf(RecordEnd, at); end >= 0; end = head.indexOf(RecordEnd, end + 1)) {
        qsizetype next = end + 1;
        while (next < head.size() && isFiller(head[next]))
            ++next;
        if (looksLikeLeader(head.constData() + next, head.size() - next))
            return FileKind::Iso2709;
    }
    return FileKind::Other;
}

IsoRecords::IsoRecords(QIODevice &in) : in_(in) {}

bool IsoRecords::fill(qsizetype wanted)
{
    if (at_ > ReadChunk) { // what was read before is let go
        buffer_.remove(0, at_);
        at_ = 0;
    }
    while (!ended_ && buffer_.size() - at_ < wanted) {
        const qsizetype had = buffer_.size();
        buffer_.resize(had + ReadChunk);
        const qint64 n = in_.read(buffer_.data() + had, ReadChunk);
        buffer_.resize(had + std::max<qint64>(n, 0));
        ended_ = n <= 0;
    }
    return buffer_.size() - at_ >= wanted;
}

void IsoRecords::skipFiller()
{
    for (;;) {
        while (at_ < buffer_.size() && isFiller(buffer_[at_]))
            ++at_;
        if (at_ < buffer_.size() || !fill(1))
            return;
    }
}

// Where a record that ends exactly at end starts after from: a piece broken off before it
// must not take the next record with it.
qsizetype IsoRecords::nextLeaderWithin(qsizetype from, qsizetype end) const
{
    const char *p = buffer_.constData();
    for (qsizetype q = from + 1; q + 24 <= end; ++q)
        if (looksLikeLeader(p + q, end - q) && decimal(p + q, 5) == end - q)
            return q;
    return -1;
}

bool IsoRecords::next(QByteArray &record, QString &problem)
{
    problem.clear();
    skipFiller();
    if (at_ >= buffer_.size())
        return false;
    fill(LongestRecord);
    const qsizetype window = std::min(buffer_.size(), at_ + LongestRecord);
    const qsizetype terminator = buffer_.indexOf(RecordEnd, at_);
    const char *p = buffer_.constData() + at_;
    const int stated = buffer_.size() - at_ >= 5 && digits(p, 5) ? decimal(p, 5) : -1;
    if (terminator < 0 || terminator >= window) {
        const bool cut = ended_ && buffer_.size() - at_ < LongestRecord;
        record = buffer_.mid(at_, window - at_);
        problem = !cut ? QStringLiteral("нет знака конца записи на протяжении %1 байт").arg(LongestRecord)
                  : stated > buffer_.size() - at_
                      ? QStringLiteral("запись обрывается: файл короче длины %1, указанной в маркере").arg(stated)
                      : QStringLiteral("запись обрывается: файл кончается раньше знака конца записи");
        at_ = window;
        return true;
    }
    const qsizetype size = terminator + 1 - at_;
    if (stated != size) {
        if (const qsizetype next = nextLeaderWithin(at_, terminator + 1); next > 0) {
            record = buffer_.mid(at_, next - at_);
            problem = QStringLiteral("запись обрывается: за её началом сразу идёт следующая запись");
            at_ = next;
            return true;
        }
        problem = stated < 0 ? QStringLiteral("в маркере записи нет её длины")
                             : QStringLiteral("неверная длина записи: в маркере %1, а до знака конца записи %2 байт").arg(stated).arg(size);
    }
    record = buffer_.mid(at_, size);
    at_ = terminator + 1;
    return true;
}

} // namespace marc
