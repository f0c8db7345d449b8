#pragma once

#include "MarcCodec.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace store {
class IniFile;
}

namespace marc {

enum class Protocol { Z3950, Sru };

// One catalogue of section [Catalogues] of library.ini, a key per catalogue:
//   name = z3950:host[:port]/database|MARC21[|charset]   or   name = sru:http://host:port/path|RUSMARC
// (Z39.50's port is 210 unless given)
// The character set is the one to read records in when they do not say it.
struct CatalogueConfig {
    QString name;
    Protocol protocol = Protocol::Z3950;
    QString host;
    int port = 210;
    QString database; // Z39.50 database, or the SRU path without its leading "/"
    Format format = Format::Marc21;
    Charset charset = Charset::Auto;
    QString address() const; // as written in the settings, without format and charset
};

// Nullopt with the reason in *error when the value is not one of the two forms.
std::optional<CatalogueConfig> parseCatalogue(const QString &name, const QString &value, QString *error = nullptr);

// The catalogues the settings name, or, when there is no section [Catalogues], the public ones
// whose libraries document their addresses. Entries that cannot be read are left out, each
// named with its reason in *problems.
std::vector<CatalogueConfig> configuredCatalogues(const store::IniFile *settings, QStringList *problems = nullptr);

// Seconds a catalogue is waited for: [General] CatalogueTimeout, 15 by default.
int catalogueTimeoutSeconds(const store::IniFile *settings);

} // namespace marc
