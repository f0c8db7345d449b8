#pragma once

// One search of a Z39.50 catalogue as a client such as yaz-client makes it: a connection, the
// query, the first record fetched whole, the connection closed. The record's length, or -1.
long zoomFirstRecord(int port, const char *database, const char *pqf);
