// Parsing of local filter expressions.
#include "data/dataset/LocalFilterNode.h"

#include "data/DataError.h"

#include <utility>

namespace data {

using namespace filter;

namespace {


using Node = LocalFilter::Node;

enum class Tok : std::uint8_t { End, Name, QuotedName, String, Number, Op, LParen, RParen, Minus };

struct Token {
    Tok type = Tok::End;
    int pos = 0; // in UTF-16 units of the expression
    int len = 0;
    QString text; // name or string contents, or the operator
    CompareOp op = CompareOp::Eq;
};

[[noreturn]] void syntaxError(const QString &what)
{
    throw DataError(QStringLiteral("Invalid filter expression: %1").arg(what));
}

QString where(const Token &t)
{
    return t.type == Tok::End ? QStringLiteral("at the end") : QStringLiteral("at position %1").arg(t.pos + 1);
}

// Only ASCII digits make a number: other scripts' digits would not convert.
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

std::vector<Token> tokenize(const QString &s)
{
    std::vector<Token> out;
    const int n = static_cast<int>(s.size());
    int i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.pos = i;
        if (c == u'(' || c == u')' || c == u'-') {
            t.type = c == u'(' ? Tok::LParen : c == u')' ? Tok::RParen : Tok::Minus;
            ++i;
        } else if (c == u'=' || c == u'<' || c == u'>' || c == u'!') {
            const QChar next = i + 1 < n ? s[i + 1] : QChar();
            t.type = Tok::Op;
            if (c == u'=') {
                t.op = CompareOp::Eq;
                i += 1;
            } else if (c == u'<' && next == u'>') {
                t.op = CompareOp::Ne;
                i += 2;
            } else if (c == u'!' && next == u'=') {
                t.op = CompareOp::Ne;
                i += 2;
            } else if (c == u'!') {
                syntaxError(QStringLiteral("unexpected character '!' at position %1").arg(i + 1));
            } else if (next == u'=') {
                t.op = c == u'<' ? CompareOp::Le : CompareOp::Ge;
                i += 2;
            } else {
                t.op = c == u'<' ? CompareOp::Lt : CompareOp::Gt;
                i += 1;
            }
        } else if (c == u'\'' || c == u'"') {
            // 'text' is a string, "name" a column; a doubled quote stands for one.
            t.type = c == u'\'' ? Tok::String : Tok::QuotedName;
            ++i;
            for (;;) {
                if (i >= n)
                    syntaxError(QStringLiteral("unterminated %1 starting at position %2")
                                    .arg(t.type == Tok::String ? QStringLiteral("string") : QStringLiteral("quoted name"))
                                    .arg(t.pos + 1));
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        t.text += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                t.text += s[i++];
            }
        } else if (c == u'[') {
            t.type = Tok::QuotedName;
            const int close = static_cast<int>(s.indexOf(u']', i + 1));
            if (close < 0)
                syntaxError(QStringLiteral("missing ']' for the name starting at position %1").arg(i + 1));
            t.text = s.mid(i + 1, close - i - 1);
            i = close + 1;
        } else if (isDigit(c) || (c == u'.' && i + 1 < n && isDigit(s[i + 1]))) {
            t.type = Tok::Number;
            while (i < n && isDigit(s[i]))
                ++i;
            if (i < n && s[i] == u'.') {
                ++i;
                while (i < n && isDigit(s[i]))
                    ++i;
            }
            if (i < n && (s[i] == u'e' || s[i] == u'E')) {
                int j = i + 1;
                if (j < n && (s[j] == u'+' || s[j] == u'-'))
                    ++j;
                if (j < n && isDigit(s[j])) {
                    i = j;
                    while (i < n && isDigit(s[i]))
                        ++i;
                }
            }
            t.text = s.mid(t.pos, i - t.pos);
        } else if (isNameChar(c)) {
            t.type = Tok::Name;
            while (i < n && isNameChar(s[i]))
                ++i;
            t.text = s.mid(t.pos, i - t.pos);
        } else {
            syntaxError(QStringLiteral("unexpected character '%1' at position %2").arg(c).arg(i + 1));
        }
        t.len = i - t.pos;
        out.push_back(std::move(t));
    }
    Token end;
    end.pos = n;
    out.push_back(end);
    return out;
}

class Parser {
public:
    Parser(const QString &source, std::vector<Token> tokens, const std::vector<FieldDef> &fields)
        : source_(source), tokens_(std::move(tokens)), fields_(fields)
    {
    }

    std::unique_ptr<Node> parse()
    {
        auto root = parseOr();
        if (peek().type != Tok::End)
            syntaxError(QStringLiteral("unexpected %1 %2").arg(describe(peek()), where(peek())));
        return root;
    }

private:
    const Token &peek() const { return tokens_[pos_]; }
    const Token &take() { return tokens_[pos_ == tokens_.size() - 1 ? pos_ : pos_++]; }

    bool isKeyword(const Token &t, QLatin1StringView word) const
    {
        return t.type == Tok::Name && t.text.compare(word, Qt::CaseInsensitive) == 0;
    }

    bool isAnyKeyword(const Token &t) const
    {
        for (const char *w : {"AND", "OR", "NOT", "LIKE", "IS", "NULL", "TRUE", "FALSE"})
            if (isKeyword(t, QLatin1StringView(w)))
                return true;
        return false;
    }

    QString describe(const Token &t) const
    {
        if (t.type == Tok::End)
            return QStringLiteral("end of expression");
        // A string literal already shows its own quotes.
        const QString spelled = source_.mid(t.pos, t.len);
        return t.type == Tok::String ? spelled : QStringLiteral("'%1'").arg(spelled);
    }

    static std::unique_ptr<Node> negation(std::unique_ptr<Node> term)
    {
        auto node = std::make_unique<Node>();
        node->kind = Node::Kind::Not;
        node->terms.push_back(std::move(term));
        return node;
    }

    // Terms joined by one operator, gathered into one node however many there are.
    template<typename ParseTerm>
    std::unique_ptr<Node> chain(Node::Kind kind, QLatin1StringView word, ParseTerm parseTerm)
    {
        auto first = parseTerm();
        if (!isKeyword(peek(), word))
            return first;
        auto node = std::make_unique<Node>();
        node->kind = kind;
        node->terms.push_back(std::move(first));
        while (isKeyword(peek(), word)) {
            take();
            node->terms.push_back(parseTerm());
        }
        return node;
    }

    std::unique_ptr<Node> parseOr()
    {
        return chain(Node::Kind::Or, QLatin1StringView("OR"), [this] { return parseAnd(); });
    }

    std::unique_ptr<Node> parseAnd()
    {
        return chain(Node::Kind::And, QLatin1StringView("AND"), [this] { return parseNot(); });
    }

    // Each bracket and NOT is a level of recursion in the parser and in evaluation; a bound keeps
    // an expression however long from running out of stack.
    static constexpr int MaxNesting = 200;

    struct NestingLevel {
        explicit NestingLevel(Parser &p) : parser(p)
        {
            if (++parser.nesting_ > MaxNesting)
                syntaxError(QStringLiteral("nested deeper than %1 levels %2").arg(MaxNesting).arg(where(parser.peek())));
        }
        ~NestingLevel() { --parser.nesting_; }
        NestingLevel(const NestingLevel &) = delete;
        NestingLevel &operator=(const NestingLevel &) = delete;
        Parser &parser;
    };

    std::unique_ptr<Node> parseNot()
    {
        if (isKeyword(peek(), QLatin1StringView("NOT"))) {
            take();
            NestingLevel level(*this);
            return negation(parseNot());
        }
        return parseCondition();
    }

    std::unique_ptr<Node> parseCondition()
    {
        if (peek().type == Tok::LParen) {
            const Token open = take();
            NestingLevel level(*this);
            auto inner = parseOr();
            if (peek().type != Tok::RParen) {
                if (peek().type == Tok::End)
                    syntaxError(QStringLiteral("missing ')' for the bracket at position %1").arg(open.pos + 1));
                syntaxError(QStringLiteral("expected ')' but found %1 %2").arg(describe(peek()), where(peek())));
            }
            take();
            return inner;
        }

        auto node = std::make_unique<Node>();
        node->a = parseOperand();
        const Token &t = peek();
        if (t.type == Tok::Op) {
            take();
            node->kind = Node::Kind::Compare;
            node->op = t.op;
            node->b = parseOperand();
            node->pattern = patternKind(node->b);
            return node;
        }
        if (isKeyword(t, QLatin1StringView("IS"))) {
            take();
            bool negated = false;
            if (isKeyword(peek(), QLatin1StringView("NOT"))) {
                take();
                negated = true;
            }
            if (!isKeyword(peek(), QLatin1StringView("NULL")))
                syntaxError(QStringLiteral("expected NULL after IS but found %1 %2").arg(describe(peek()), where(peek())));
            take();
            node->kind = Node::Kind::IsNull;
            return negated ? negation(std::move(node)) : std::move(node);
        }
        bool negated = false;
        if (isKeyword(t, QLatin1StringView("NOT"))) {
            take();
            if (!isKeyword(peek(), QLatin1StringView("LIKE")))
                syntaxError(QStringLiteral("expected LIKE after NOT but found %1 %2").arg(describe(peek()), where(peek())));
            negated = true;
        }
        if (isKeyword(peek(), QLatin1StringView("LIKE"))) {
            take();
            node->kind = Node::Kind::Like;
            node->b = parseOperand();
            node->pattern = patternKind(node->b);
            return negated ? negation(std::move(node)) : std::move(node);
        }
        node->kind = Node::Kind::Truth;
        return node;
    }

    static PatternKind patternKind(const Operand &o)
    {
        if (o.isColumn)
            return PatternKind::Runtime;
        // Number spellings and NULL hold no wildcard characters.
        return o.literalType == CellType::Text && hasWildcard(o.text) ? PatternKind::Wild : PatternKind::Plain;
    }

    Operand parseOperand()
    {
        const Token t = take();
        Operand o;
        switch (t.type) {
        case Tok::String:
            o.literalType = CellType::Text;
            o.text = t.text.toStdString();
            return o;
        case Tok::Number: return number(t, false);
        case Tok::Minus: {
            const Token num = take();
            if (num.type != Tok::Number)
                syntaxError(QStringLiteral("expected a number after '-' but found %1 %2").arg(describe(num), where(num)));
            return number(num, true);
        }
        case Tok::QuotedName: return column(t.text);
        case Tok::Name:
            if (isKeyword(t, QLatin1StringView("NULL")))
                return o;
            if (isKeyword(t, QLatin1StringView("TRUE")) || isKeyword(t, QLatin1StringView("FALSE"))) {
                o.literalType = CellType::Integer;
                o.integer = isKeyword(t, QLatin1StringView("TRUE")) ? 1 : 0;
                return o;
            }
            if (isAnyKeyword(t))
                break;
            return column(t.text);
        default: break;
        }
        if (t.type == Tok::End)
            syntaxError(QStringLiteral("expected an operand at the end"));
        syntaxError(QStringLiteral("expected an operand but found %1 %2").arg(describe(t), where(t)));
    }

    static Operand number(const Token &t, bool negative)
    {
        Operand o;
        const QString spelled = negative ? QLatin1Char('-') + t.text : t.text;
        bool ok = false;
        const bool integral = !t.text.contains(u'.') && !t.text.contains(u'e', Qt::CaseInsensitive);
        if (integral) {
            o.integer = spelled.toLongLong(&ok);
            if (ok)
                o.literalType = CellType::Integer;
        }
        if (!ok) {
            // Too large for an integer, or written with a point or exponent.
            o.literalType = CellType::Float;
            o.real = spelled.toDouble(&ok);
            if (!ok)
                syntaxError(QStringLiteral("number %1 out of range %2").arg(spelled, where(t)));
        }
        o.text = spelled.toStdString();
        return o;
    }

    Operand column(const QString &name) const
    {
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            const FieldDef &f = fields_[i];
            if (f.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            Operand o;
            o.isColumn = true;
            o.column = static_cast<int>(i);
            o.cls = f.isTextual() ? ColumnClass::Textual : f.isNumeric() ? ColumnClass::Numeric : ColumnClass::ByCell;
            return o;
        }
        throw DataError(errors::fieldNotFound(name));
    }

    const QString &source_;
    std::vector<Token> tokens_;
    const std::vector<FieldDef> &fields_;
    std::size_t pos_ = 0;
    int nesting_ = 0;
};

} // namespace

std::unique_ptr<LocalFilter::Node> parseLocalFilter(const QString &expression, const std::vector<FieldDef> &fields)
{
    Parser parser(expression, tokenize(expression), fields);
    return parser.parse();
}

} // namespace data
