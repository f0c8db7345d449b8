#include "RecordForms.h"

#include "Bib1Error.h"

#include <yaz/diagbib1.h>
#include <yaz/oid_db.h>

namespace z3950 {

std::optional<marc::Format> databaseFormat(const QString &name, const OwnDatabase &own)
{
    if (!own.name.isEmpty() && name.compare(own.name, Qt::CaseInsensitive) == 0)
        return own.format;
    if (name.compare(u"marc21", Qt::CaseInsensitive) == 0 || name.compare(u"Default", Qt::CaseInsensitive) == 0)
        return marc::Format::Marc21;
    if (name.compare(u"rusmarc", Qt::CaseInsensitive) == 0)
        return marc::Format::Rusmarc;
    return std::nullopt;
}

const Odr_oid *RecordForm::syntax() const
{
    if (xml)
        return yaz_oid_recsyn_xml;
    return format == marc::Format::Rusmarc ? yaz_oid_recsyn_rusmarc : yaz_oid_recsyn_usmarc;
}

RecordForm recordForm(marc::Format databaseFormat, const Odr_oid *syntax, const char *elementSet)
{
    const QString set = QString::fromUtf8(elementSet ? elementSet : "");
    const bool plain = set.isEmpty() || set == u"F" || set == u"B";
    auto is = [syntax](const Odr_oid *oid) { return syntax && oid_oidcmp(syntax, oid) == 0; };
    if (!syntax || is(yaz_oid_recsyn_usmarc) || is(yaz_oid_recsyn_marc21) || is(yaz_oid_recsyn_rusmarc)) {
        if (!plain)
            throw Bib1Error(YAZ_BIB1_SPECIFIED_ELEMENT_SET_NAME_NOT_VALID_FOR_SPECIFIED_, set.left(60));
        return {!syntax ? databaseFormat : is(yaz_oid_recsyn_rusmarc) ? marc::Format::Rusmarc : marc::Format::Marc21, false};
    }
    if (is(yaz_oid_recsyn_xml) || is(yaz_oid_recsyn_text_xml) || is(yaz_oid_recsyn_application_xml)) {
        if (plain || set == u"marcxml" || set == u"info:srw/schema/1/marcxml-v1.1")
            return {databaseFormat, true};
        if (set == u"marc21" || set == u"rusmarc")
            return {set == u"rusmarc" ? marc::Format::Rusmarc : marc::Format::Marc21, true};
        throw Bib1Error(YAZ_BIB1_SPECIFIED_ELEMENT_SET_NAME_NOT_VALID_FOR_SPECIFIED_, set.left(60));
    }
    char dots[OID_STR_MAX];
    throw Bib1Error(YAZ_BIB1_RECORD_SYNTAX_UNSUPP, QString::fromLatin1(oid_oid_to_dotstring(syntax, dots)));
}

} // namespace z3950
