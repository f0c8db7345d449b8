// The generic frontend's handlers over a TargetSession: YAZ does the protocols, these turn its
// requests into searches of the catalogue and its failures into Bib-1 diagnostics.
#include "TargetBackend.h"

#include "Bib1Error.h"
#include "CatalogueReading.h"
#include "IniFile.h"
#include "TargetSession.h"
#include "data/Connection.h"
#include "data/DataError.h"

#include <QFileInfo>
#include <QStringList>
#include <yaz/diagbib1.h>
#include <yaz/log.h>

namespace z3950 {

namespace {

TargetSettings settings_;

struct Association {
    std::unique_ptr<data::Connection> catalogue;
    std::unique_ptr<TargetSession> session;
};

char *odrText(ODR odr, const QString &text) { return odr_strdup(odr, text.toUtf8().constData()); }

// Runs a handler's work; what it raises becomes the diagnostic the client is sent, never a crash.
template <typename Request, typename Work> int answer(Request *rr, bool *perRecord, Work &&work)
{
    try {
        work();
    } catch (const Bib1Error &e) {
        rr->errcode = e.code();
        rr->errstring = odrText(rr->stream, e.addinfo());
        if (perRecord)
            *perRecord = e.perRecord();
    } catch (const data::DataError &e) {
        yaz_log(YLOG_WARN, "%s", e.message().toUtf8().constData());
        rr->errcode = YAZ_BIB1_TEMPORARY_SYSTEM_ERROR;
        rr->errstring = odrText(rr->stream, e.message());
    } catch (const std::exception &e) {
        yaz_log(YLOG_WARN, "%s", e.what());
        rr->errcode = YAZ_BIB1_TEMPORARY_SYSTEM_ERROR;
        rr->errstring = odr_strdup(rr->stream, e.what());
    }
    return 0;
}

TargetSession &sessionOf(void *handle) { return *static_cast<Association *>(handle)->session; }

QString setName(const char *name) { return QString::fromUtf8(name ? name : "default"); }

int search(void *handle, bend_search_rr *rr)
{
    return answer(rr, nullptr, [&] {
        QStringList databases;
        for (int i = 0; i < rr->num_bases; ++i)
            databases << QString::fromUtf8(rr->basenames[i]);
        if (!rr->query)
            throw Bib1Error(YAZ_BIB1_MALFORMED_QUERY);
        rr->hits = sessionOf(handle).search(setName(rr->setname), databases, *rr->query,
                                            QString::fromUtf8(rr->srw_sortKeys ? rr->srw_sortKeys : ""));
    });
}

int present(void *handle, bend_present_rr *rr)
{
    return answer(rr, nullptr, [&] { sessionOf(handle).checkRange(setName(rr->setname), rr->start, rr->number); });
}

// The element set a Z39.50 client names, or the record schema of an SRU request.
const char *elementSetOf(const bend_fetch_rr *rr)
{
    if (rr->schema)
        return rr->schema;
    const Z_RecordComposition *comp = rr->comp;
    if (comp && comp->which == Z_RecordComp_simple && comp->u.simple && comp->u.simple->which == Z_ElementSetNames_generic)
        return comp->u.simple->u.generic;
    return nullptr;
}

int fetch(void *handle, bend_fetch_rr *rr)
{
    bool perRecord = false;
    answer(rr, &perRecord, [&] {
        const TargetSession::Record r = sessionOf(handle).fetch(setName(rr->setname), rr->number, rr->request_format, elementSetOf(rr));
        rr->len = int(r.bytes.size());
        rr->record = static_cast<char *>(odr_malloc(rr->stream, std::size_t(r.bytes.size()) + 1));
        memcpy(rr->record, r.bytes.constData(), std::size_t(r.bytes.size()) + 1);
        rr->output_format = odr_oiddup(rr->stream, r.form.syntax());
        rr->basename = odrText(rr->stream, r.database);
        rr->last_in_set = r.last;
    });
    rr->surrogate_flag = perRecord;
    return 0;
}

int sort(void *handle, bend_sort_rr *rr)
{
    answer(rr, nullptr, [&] {
        QStringList inputs;
        for (int i = 0; i < rr->num_input_setnames; ++i)
            inputs << QString::fromUtf8(rr->input_setnames[i]);
        if (!rr->sort_sequence)
            throw Bib1Error(YAZ_BIB1_CANNOT_SORT_ACCORDING_TO_SEQUENCE);
        sessionOf(handle).sort(inputs, setName(rr->output_setname), *rr->sort_sequence);
    });
    rr->sort_status = rr->errcode ? Z_SortResponse_failure : Z_SortResponse_success;
    return 0;
}

} // namespace

TargetSettings readTargetSettings(const QString &iniPath)
{
    const store::IniFile ini(iniPath);
    const QString section = QStringLiteral("Z3950");
    TargetSettings s;
    s.iniPath = iniPath;
    s.database.name = ini.readString(section, QStringLiteral("Database"), QString()).trimmed();
    if (ini.readString(section, QStringLiteral("Format"), QString()).trimmed().compare(u"RUSMARC", Qt::CaseInsensitive) == 0)
        s.database.format = marc::Format::Rusmarc;
    const QString address = ini.readString(section, QStringLiteral("Listen"), QString()).trimmed();
    const int port = ini.readInteger(section, QStringLiteral("Port"), 2100);
    s.listener = QStringLiteral("tcp:%1:%2").arg(address.isEmpty() ? QStringLiteral("@") : address).arg(port);
    return s;
}

void useTargetSettings(const TargetSettings &settings) { settings_ = settings; }

bend_initresult *targetInit(bend_initrequest *request)
{
    auto *result = static_cast<bend_initresult *>(odr_malloc(request->stream, sizeof(bend_initresult)));
    *result = {};
    try {
        auto association = std::make_unique<Association>();
        association->catalogue = store::openCatalogueForReading(settings_.iniPath);
        association->session = std::make_unique<TargetSession>(*association->catalogue, settings_.database);
        result->handle = association.release();
    } catch (const data::DataError &e) {
        yaz_log(YLOG_WARN, "%s", e.message().toUtf8().constData());
        result->errcode = YAZ_BIB1_DATABASE_UNAVAILABLE;
        result->errstring = odrText(request->stream, e.message());
        return result;
    }
    // Terms reach the search in UTF-8, whatever the client negotiated.
    request->query_charset = odr_strdup(request->stream, "UTF-8");
    request->implementation_name = odr_strdup(request->stream, "library-z3950");
    request->bend_search = search;
    request->bend_present = present;
    request->bend_fetch = fetch;
    request->bend_sort = sort;
    request->named_result_sets = 1;
    return result;
}

void targetClose(void *handle) { delete static_cast<Association *>(handle); }

} // namespace z3950
