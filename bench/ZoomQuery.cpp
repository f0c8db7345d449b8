#include "ZoomQuery.h"

#include <yaz/zoom.h>

long zoomFirstRecord(int port, const char *database, const char *pqf)
{
    ZOOM_options o = ZOOM_options_create();
    ZOOM_options_set(o, "databaseName", database);
    ZOOM_options_set(o, "preferredRecordSyntax", "usmarc");
    ZOOM_options_set(o, "elementSetName", "F");
    ZOOM_options_set_int(o, "count", 1);
    ZOOM_connection c = ZOOM_connection_create(o);
    ZOOM_connection_connect(c, "127.0.0.1", port);
    ZOOM_resultset rs = ZOOM_connection_search_pqf(c, pqf);
    int length = 0;
    ZOOM_record rec = ZOOM_resultset_record(rs, 0);
    const char *raw = rec ? ZOOM_record_get(rec, "raw", &length) : nullptr;
    const long got = raw ? length : -1;
    ZOOM_resultset_destroy(rs);
    ZOOM_connection_destroy(c);
    ZOOM_options_destroy(o);
    return got;
}
