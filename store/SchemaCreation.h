#pragma once

namespace store {

class Connection;

// Gives a new or empty database file the catalogue's tables and initial content. A database that
// already holds any of the catalogue's tables is left exactly as it is. Returns true when the
// schema was created.
bool ensureCatalogueSchema(Connection &connection);

} // namespace store
