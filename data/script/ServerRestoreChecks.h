#pragma once

#include "data/script/ScriptDump.h"

namespace data {

class Connection;

// What a server refuses in the middle of a restore, found before anything is changed: a table that
// cannot take part in a transaction, a real it cannot store, a row larger than one packet. Sets the
// plan's batch size from the server's own packet limit; raises a refusal naming what is wrong.
void checkRestoreOnServer(Connection &conn, RestorePlan &plan);

} // namespace data
