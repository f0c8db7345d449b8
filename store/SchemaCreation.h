#pragma once

namespace data {
class Connection;
}

namespace store {

// Gives a new or empty database file the catalogue's tables and initial content. A database that
// already holds any of the catalogue's tables is left exactly as it is. Returns true when the
// schema was created.
bool ensureCatalogueSchema(data::Connection &connection);

// The index the Z39.50 target finds a holding by its ISBN with, made for a catalogue created
// before it (new catalogues have it); in edit mode only, as the target reads the catalogue alone.
void ensureIsbnIndex(data::Connection &connection);

} // namespace store
