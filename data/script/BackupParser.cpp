#include "data/script/BackupParser.h"

#include "data/DataError.h"

#include <QString>
#include <charconv>
#include <sqlite3.h>

namespace data {

namespace {

class Parser {
public:
    Parser(const QByteArray &text, CharForm form) : s_(text), n_(text.size()), form_(form) {}

    QList<BackupStatement> statements()
    {
        QList<BackupStatement> out;
        for (;;) {
            skipBlanks();
            if (i_ >= n_)
                return out;
            if (startsWith("--")) {
                while (i_ < n_ && s_[i_] != '\n')
                    ++i_;
                continue;
            }
            out.push_back(statement());
        }
    }

private:
    BackupStatement statement()
    {
        BackupStatement st;
        st.start = i_;
        st.line = line_;
        if (word("DELETE") && blank() && word("FROM") && blank()) {
            st.kind = BackupStatement::Delete;
            st.table = name(st);
        } else if (rewind(st); word("INSERT") && blank() && word("INTO") && blank()) {
            st.kind = BackupStatement::Insert;
            st.table = name(st);
            skipBlanks();
            if (!word("VALUES"))
                foreign(st);
            skipBlanks();
            st.valuesStart = i_;
            values(st);
            st.valuesSize = i_ - st.valuesStart;
        } else {
            rewind(st);
            foreign(st);
        }
        skipBlanks();
        if (i_ >= n_)
            cutShort();
        if (s_[i_] != ';')
            foreign(st);
        ++i_;
        st.size = i_ - st.start;
        return st;
    }

    void rewind(const BackupStatement &st)
    {
        i_ = st.start;
        line_ = st.line;
    }

    QByteArray name(const BackupStatement &st)
    {
        if (i_ < n_ && (s_[i_] == '`' || s_[i_] == '"')) {
            const char quote = s_[i_++];
            QByteArray out;
            for (;;) {
                if (i_ >= n_)
                    cutShort();
                if (s_[i_] == quote) {
                    if (i_ + 1 < n_ && s_[i_ + 1] == quote) {
                        out += quote;
                        i_ += 2;
                        continue;
                    }
                    ++i_;
                    return out;
                }
                if (s_[i_] == '\n')
                    foreign(st);
                out += s_[i_++];
            }
        }
        const qsizetype from = i_;
        while (i_ < n_ && (isLetter(s_[i_]) || (i_ > from && isDigit(s_[i_]))))
            ++i_;
        // A word SQL keeps for itself ("table", "select") is no bare table name to either engine.
        if (i_ == from || sqlite3_keyword_check(s_.constData() + from, int(i_ - from)))
            foreign(st);
        return s_.mid(from, i_ - from);
    }

    // "(" value, value ... ")"
    void values(BackupStatement &st)
    {
        expect('(', st);
        int column = 0;
        do {
            skipBlanks();
            if (value(st) && st.infiniteColumn < 0)
                st.infiniteColumn = column;
            skipBlanks();
            ++column;
        } while (accept(','));
        expect(')', st);
    }

    // True when the value is a real too large for a double: the embedded engine reads it as an
    // infinity, which a server refuses.
    bool value(BackupStatement &st)
    {
        if (i_ >= n_)
            cutShort();
        const char c = s_[i_];
        if (c == '\'') {
            quoted();
        } else if ((c == 'X' || c == 'x') && i_ + 1 < n_ && s_[i_ + 1] == '\'') {
            ++i_;
            const qsizetype from = i_ + 1;
            quoted();
            // Whole bytes only: both engines refuse an odd digit.
            if ((i_ - 1 - from) % 2 != 0)
                foreign(st);
            for (qsizetype k = from; k < i_ - 1; ++k)
                if (!isHex(s_[k]))
                    foreign(st);
        } else if (c == '(') {
            joinedText(st);
        } else if (word("NULL")) {
        } else {
            return number(st);
        }
        return false;
    }

    // ('text'||char(1,2)||'text'), or the server's CONVERT(char(1,2 USING utf32) USING utf8mb4).
    void joinedText(const BackupStatement &st)
    {
        expect('(', st);
        do {
            skipBlanks();
            if (i_ < n_ && s_[i_] == '\'') {
                quoted();
            } else if (form_ == CharForm::Server) {
                if (!word("CONVERT"))
                    foreign(st);
                skipBlanks();
                expect('(', st);
                charCall(st, true);
                skipBlanks();
                if (!(word("USING") && blank() && word("utf8mb4")))
                    foreign(st);
                skipBlanks();
                expect(')', st);
            } else {
                charCall(st, false);
            }
            skipBlanks();
        } while (accept2("||"));
        expect(')', st);
    }

    void charCall(const BackupStatement &st, bool server)
    {
        skipBlanks();
        if (!word("char"))
            foreign(st);
        skipBlanks();
        expect('(', st);
        bool spaced = false;
        do {
            skipBlanks();
            const qsizetype from = i_;
            while (i_ < n_ && isDigit(s_[i_]))
                ++i_;
            if (i_ == from)
                i_ >= n_ ? cutShort() : foreign(st);
            if (server && !storableOnServer(from))
                unstorable(st, from);
            spaced = blank();
        } while (accept(','));
        // "128USING" would be one word to the server, not a code and a keyword.
        if (server && !(spaced && word("USING") && blank() && word("utf32")))
            foreign(st);
        skipBlanks();
        expect(')', st);
    }

    // A code point the server's utf32 conversion takes as it is: no surrogate, nothing past U+10FFFF.
    bool storableOnServer(qsizetype from) const
    {
        if (i_ - from > 7)
            return false;
        const unsigned code = QByteArray::fromRawData(s_.constData() + from, i_ - from).toUInt();
        return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    }

    bool number(const BackupStatement &st)
    {
        const qsizetype start = i_;
        accept('-');
        qsizetype digits = i_;
        while (i_ < n_ && isDigit(s_[i_]))
            ++i_;
        if (i_ == digits)
            i_ >= n_ ? cutShort() : foreign(st);
        if (accept('.'))
            while (i_ < n_ && isDigit(s_[i_]))
                ++i_;
        if (i_ < n_ && (s_[i_] == 'E' || s_[i_] == 'e')) {
            ++i_;
            const bool negativeExponent = accept('-');
            if (!negativeExponent)
                accept('+');
            digits = i_;
            while (i_ < n_ && isDigit(s_[i_]))
                ++i_;
            if (i_ == digits)
                foreign(st);
            if (i_ < n_ && (isLetter(s_[i_]) || isDigit(s_[i_])))
                foreign(st);
            // Only an exponent makes a literal too large for a double (300 digits are not written);
            // out of range with a negative exponent is a value too small, which reads as zero.
            double v = 0;
            const auto result = std::from_chars(s_.constData() + start, s_.constData() + i_, v);
            return result.ec == std::errc::result_out_of_range && !negativeExponent;
        }
        if (i_ < n_ && (isLetter(s_[i_]) || isDigit(s_[i_])))
            foreign(st);
        return false;
    }

    // '...' with '' for an apostrophe; line breaks inside count as lines of the file.
    void quoted()
    {
        ++i_;
        for (;;) {
            if (i_ >= n_)
                cutShort();
            const char c = s_[i_++];
            if (c == '\n')
                ++line_;
            if (c == '\'') {
                if (i_ < n_ && s_[i_] == '\'') {
                    ++i_;
                    continue;
                }
                return;
            }
        }
    }

    void skipBlanks()
    {
        while (i_ < n_ && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) {
            if (s_[i_] == '\n')
                ++line_;
            ++i_;
        }
    }
    bool blank()
    {
        const qsizetype from = i_;
        skipBlanks();
        return i_ > from;
    }
    bool startsWith(const char *text) const { return QByteArrayView(s_).sliced(i_).startsWith(text); }
    // A keyword in any letter case, not followed by a letter or digit.
    bool word(const char *text)
    {
        const qsizetype size = qsizetype(qstrlen(text));
        if (i_ + size > n_ || qstrnicmp(s_.constData() + i_, text, size) != 0)
            return false;
        if (i_ + size < n_ && (isLetter(s_[i_ + size]) || isDigit(s_[i_ + size])))
            return false;
        i_ += size;
        return true;
    }
    bool accept(char c)
    {
        if (i_ < n_ && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool accept2(const char *two)
    {
        if (i_ + 1 < n_ && s_[i_] == two[0] && s_[i_ + 1] == two[1]) {
            i_ += 2;
            return true;
        }
        return false;
    }
    void expect(char c, const BackupStatement &st)
    {
        if (i_ >= n_)
            cutShort();
        if (!accept(c))
            foreign(st);
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

    [[noreturn]] void cutShort() const
    {
        throw DataError(QStringLiteral("Последняя команда в файле оборвана: файл неполный."), 0, ErrorKind::Refused);
    }
    [[noreturn]] void foreign(const BackupStatement &st) const
    {
        if (i_ >= n_)
            cutShort();
        qsizetype end = s_.indexOf('\n', st.start);
        if (end < 0)
            end = n_;
        QString shown = QString::fromUtf8(s_.mid(st.start, std::min<qsizetype>(end - st.start, 80))).trimmed();
        if (end - st.start > 80)
            shown += QStringLiteral("…");
        throw DataError(QStringLiteral("Строка %1: «%2» — такой команды в резервной копии каталога не бывает.")
                            .arg(st.line)
                            .arg(shown),
                        0, ErrorKind::Refused);
    }

    [[noreturn]] void unstorable(const BackupStatement &st, qsizetype from) const
    {
        throw DataError(QStringLiteral("Строка %1: знак с кодом %2 (таблица «%3») сервер базы данных сохранить не может.")
                            .arg(st.line)
                            .arg(QString::fromLatin1(s_.mid(from, i_ - from)), QString::fromUtf8(st.table)),
                        0, ErrorKind::Refused);
    }

    const QByteArray &s_;
    const qsizetype n_;
    const CharForm form_;
    qsizetype i_ = 0;
    int line_ = 1;
};

} // namespace

QList<BackupStatement> parseBackup(const QByteArray &utf8, CharForm form)
{
    // The backup writes a NUL as char(0); a raw one means a damaged file, and SQLite would read the
    // statement only up to it.
    if (const qsizetype nul = utf8.indexOf('\0'); nul >= 0)
        throw DataError(QStringLiteral("Строка %1: в файле нулевой байт — файл повреждён.").arg(utf8.left(nul).count('\n') + 1),
                        0, ErrorKind::Refused);
    return Parser(utf8, form).statements();
}

} // namespace data
