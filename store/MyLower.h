#pragma once

#include "data/engines/Engine.h"

#include <QByteArray>
#include <sqlite3.h>
#include <string>
#include <string_view>

namespace store {

// Lower-cases UTF-8 text: Latin and Cyrillic letters (Ё included) on a fast byte path, anything
// else through full Unicode lower-casing. The search runs this for every row of the catalogue,
// so the common case must not leave UTF-8.
void lowerUtf8(std::string_view text, std::string &out);

// The SQL function my_lower(x): x lower-cased as text; NULL gives the empty text and a number
// its decimal form.
void myLowerSqlFunction(sqlite3_context *context, int argc, sqlite3_value **argv);

// my_lower(x) as a server writes it inline: what the function install_db.sql makes returns.
inline const data::InlineCall MyLowerOnServer{"IFNULL(LOWER(", "), '')"};

// Every plain call my_lower(x) of a statement in that inline form.
QByteArray inlineMyLower(const QByteArray &utf8);

} // namespace store
