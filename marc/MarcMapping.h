#pragma once

#include "BookFields.h"
#include "MarcCodec.h"
#include "MarcRecord.h"

#include <QDate>
#include <span>

namespace marc {

// Which occurrences of a rule's tag are read.
enum class Take {
    First,   // the first occurrence
    All,     // every occurrence, one value each
    IfEmpty, // every occurrence, only when no rule before gave the field a value
};

// How export writes a field through a rule.
enum class Write {
    No,    // read only
    Whole, // the value, cut at the rule's joiner into its subfields, in one field of the tag
    First, // the first of the field's values ("; " between them) into the first subfield
    Rest,  // each value after the first into a field of its own
    Each,  // each value (each keyword) into a field of its own
};

// One line of a format's mapping table: tag, the subfields read in order, our field, which
// occurrences count, what joins the subfields of one occurrence, and how export writes it.
struct MappingRule {
    const char *tag;
    const char *codes;
    BookField field;
    Take take;
    const char *joiner;
    Write write;
};

// A format's table and where its records keep our identity and holdings on export.
struct FormatTable {
    Format format;
    std::span<const MappingRule> rules;
    const char *holdingsTag;    // local holdings: 852 in MARC21, 899 in RUSMARC
    char inventoryCode, letterCode;
};

const FormatTable &tableFor(Format format); // Auto reads as MARC21

// The one reader of the tables: a decoded record to our fields.
BookFields toBookFields(const Record &record, Format format);

// A holding as export writes it.
struct Holding {
    qint64 id = 0;
    QString inventoryNumber, letter;
    BookFields fields;
};

// The record export writes for a holding, text in UTF-8; today is the day of writing.
Record fromHolding(const Holding &holding, Format format, const QDate &today);

// A value as the card keeps it: ISBD punctuation at the end (" /", " :", ",", a full stop after
// a word) taken off, and every line break written CR LF.
QString tidyValue(const QString &value);

} // namespace marc
