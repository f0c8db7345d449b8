#include "QueryTranslation.h"

#include "Bib1Error.h"

#include <yaz/diagbib1.h>
#include <yaz/oid_db.h>

#include <algorithm>

namespace z3950 {

namespace {

class Translator {
public:
    Translator(const Odr_oid *attributeSet, const ResultSetLookup &sets) : querySet_(attributeSet), sets_(sets) {}

    // The condition of a query or part of one. A chain of one operator is written flat
    // ("a AND b AND c"): the engines' parsers take only so many open parentheses.
    struct Part {
        SqlCondition c;
        int op = -1; // the operator joining its top level, -1 for one operand in parentheses
    };

    Part structure(const Z_RPNStructure &s)
    {
        if (s.which == Z_RPNStructure_simple) {
            if (!s.u.simple)
                throw Bib1Error(YAZ_BIB1_MALFORMED_QUERY);
            SqlCondition c = operand(*s.u.simple);
            c.text = u'(' + c.text + u')';
            return {c};
        }
        const Z_Complex *c = s.u.complex;
        if (!c || !c->s1 || !c->s2 || !c->roperator)
            throw Bib1Error(YAZ_BIB1_MALFORMED_QUERY);
        if (++operators_ > MaxOperators)
            throw Bib1Error(YAZ_BIB1_TOO_MANY_BOOLEAN_OPERATORS, QString::number(MaxOperators));
        const int op = c->roperator->which;
        if (op != Z_Operator_and && op != Z_Operator_or && op != Z_Operator_and_not)
            throw Bib1Error(YAZ_BIB1_OPERATOR_UNSUPP, QStringLiteral("prox"));
        // AND-NOT is an AND of its left side; a row the right side says nothing of (NULL) is
        // kept, as it is not among those it finds.
        const int joins = op == Z_Operator_or ? Z_Operator_or : Z_Operator_and;
        Part left = structure(*c->s1);
        const Part right = structure(*c->s2);
        const QString leftText = left.op == joins ? left.c.text : closed(left);
        const QString rightText = op == Z_Operator_and_not ? closed(right) + QStringLiteral(" IS NOT TRUE")
                                  : right.op == joins   ? right.c.text
                                                        : closed(right);
        left.c.text = leftText + (joins == Z_Operator_or ? QStringLiteral(" OR ") : QStringLiteral(" AND ")) + rightText;
        left.c.values += right.c.values;
        left.op = joins;
        return left;
    }

    static QString closed(const Part &p) { return p.op < 0 ? p.c.text : u'(' + p.c.text + u')'; }

private:
    SqlCondition operand(const Z_Operand &o)
    {
        switch (o.which) {
        case Z_Operand_APT: {
            if (!o.u.attributesPlusTerm || !o.u.attributesPlusTerm->term)
                throw Bib1Error(YAZ_BIB1_MALFORMED_QUERY);
            const TermAttributes a = attributes(o.u.attributesPlusTerm->attributes);
            return counted(termCondition(a, termText(*o.u.attributesPlusTerm->term)));
        }
        case Z_Operand_resultSetId: {
            const QString name = QString::fromUtf8(o.u.resultSetId ? o.u.resultSetId : "");
            const SqlCondition *set = sets_(name);
            if (!set)
                throw Bib1Error(YAZ_BIB1_SPECIFIED_RESULT_SET_DOES_NOT_EXIST, name.left(60));
            return counted(*set);
        }
        default: throw Bib1Error(YAZ_BIB1_TYPE_1_QUERY_RESTRICTION_RESULTATTR_OPERAND_UNSUPP);
        }
    }

    // A result set named again and again would double the statement each time.
    SqlCondition counted(SqlCondition c)
    {
        values_ += c.values.size();
        characters_ += c.text.size();
        if (values_ > MaxValues || characters_ > MaxStatementCharacters)
            throw Bib1Error(YAZ_BIB1_TOO_MANY_BOOLEAN_OPERATORS, QStringLiteral("the query is too large"));
        return c;
    }

    void checkSet(const Odr_oid *set) const
    {
        if (set && oid_oidcmp(set, yaz_oid_attset_bib_1) != 0) {
            char dots[OID_STR_MAX];
            throw Bib1Error(YAZ_BIB1_UNSUPP_ATTRIBUTE_SET, QString::fromLatin1(oid_oid_to_dotstring(set, dots)));
        }
    }

    TermAttributes attributes(const Z_AttributeList *list) const
    {
        checkSet(querySet_);
        TermAttributes a;
        for (int i = 0; list && i < list->num_attributes; ++i) {
            const Z_AttributeElement *e = list->attributes[i];
            if (!e || !e->attributeType)
                throw Bib1Error(YAZ_BIB1_MALFORMED_QUERY);
            checkSet(e->attributeSet);
            const Odr_int type = *e->attributeType;
            if (e->which != Z_AttributeValue_numeric || !e->value.numeric)
                throw Bib1Error(type == 1 ? YAZ_BIB1_UNSUPP_USE_ATTRIBUTE : YAZ_BIB1_UNSUPP_ATTRIBUTE_TYPE, QString::number(type));
            // Beyond an int no attribute value is known: kept as one that is refused.
            const Odr_int raw = *e->value.numeric;
            const int value = raw < 0 || raw > 100000 ? 99999 : int(raw);
            int *byType[] = {&a.use, &a.relation, &a.position, &a.structure, &a.truncation, &a.completeness};
            if (type < 1 || type > 6)
                throw Bib1Error(YAZ_BIB1_UNSUPP_ATTRIBUTE_TYPE, QString::number(type));
            *byType[type - 1] = value;
        }
        return a;
    }

    static QString termText(const Z_Term &term)
    {
        switch (term.which) {
        case Z_Term_general:
            if (!term.u.general || term.u.general->len < 0)
                throw Bib1Error(YAZ_BIB1_MALFORMED_SEARCH_TERM);
            // A term far too long is refused before it is decoded.
            if (term.u.general->len > 4 * MaxTermCharacters)
                throw Bib1Error(YAZ_BIB1_TOO_MANY_CHARS_IN_SEARCH_STATEMENT, QString::number(term.u.general->len));
            return QString::fromUtf8(term.u.general->buf, term.u.general->len);
        case Z_Term_characterString:
            if (!term.u.characterString)
                throw Bib1Error(YAZ_BIB1_MALFORMED_SEARCH_TERM);
            return QString::fromUtf8(term.u.characterString, qsizetype(qstrnlen(term.u.characterString, 4 * MaxTermCharacters + 1)));
        case Z_Term_numeric:
            if (!term.u.numeric)
                throw Bib1Error(YAZ_BIB1_MALFORMED_SEARCH_TERM);
            return QString::number(qlonglong(*term.u.numeric));
        default: throw Bib1Error(YAZ_BIB1_TERM_TYPE_UNSUPP, QString::number(term.which));
        }
    }

    const Odr_oid *querySet_;
    const ResultSetLookup &sets_;
    int operators_ = 0;
    qsizetype values_ = 0, characters_ = 0;
};

} // namespace

SqlCondition translateQuery(const Z_RPNQuery &query, const ResultSetLookup &resultSets)
{
    if (!query.RPNStructure)
        throw Bib1Error(YAZ_BIB1_MALFORMED_QUERY);
    Translator t(query.attributeSetId, resultSets);
    SqlCondition c = t.structure(*query.RPNStructure).c;
    c.text = u'(' + c.text + u')';
    if (parenthesisDepth(c.text) > MaxNesting)
        throw Bib1Error(YAZ_BIB1_TOO_MANY_BOOLEAN_OPERATORS, QStringLiteral("the query is nested too deeply"));
    return c;
}

int parenthesisDepth(const QString &sql)
{
    int depth = 0, deepest = 0;
    bool quoted = false;
    for (const QChar ch : sql) {
        if (ch == u'\'')
            quoted = !quoted;
        else if (!quoted && ch == u'(')
            deepest = std::max(deepest, ++depth);
        else if (!quoted && ch == u')')
            --depth;
    }
    return deepest;
}

} // namespace z3950
