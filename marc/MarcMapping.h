#pragma once

#include "BookFields.h"
#include "MarcCodec.h"
#include "MarcRecord.h"

#include <QDateTime>
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
    Each,  // each value (each keyword, each ISBN) into a field of its own
};

// What one occurrence holds beside its subfields joined.
enum class Shape {
    Plain,
    Name,   // a personal name: codes are the surname, the initials and the forenames (RUSMARC)
    Isbn,   // an ISBN and its qualifiers ("в пер.") in the second code
    Linked, // free text, long text cut into fields joined again by their $8 ("1.2\x")
};

// One line of a format's mapping table: tag, the subfields read in order, our field, which
// occurrences count, what joins the subfields of one occurrence, how export writes it, the
// second indicator an occurrence must have (0: any) and its shape.
struct MappingRule {
    const char *tag;
    const char *codes;
    BookField field;
    Take take;
    const char *joiner;
    Write write;
    char ind2 = 0;
    Shape shape = Shape::Plain;
};

// A descriptive field the card has no box for, kept in the notes as "caption: value".
struct NoteRule {
    const char *tag;
    const char *codes;
    const char *caption; // empty: the value alone (a note of another kind)
    const char *joiner;
    const char *unlessTag = ""; // left out when the record has this field (830 beside 490)
};

// A format's table and where its records keep our identity and holdings on export.
struct FormatTable {
    Format format;
    std::span<const MappingRule> rules;
    std::span<const NoteRule> notes;
    const char *holdingsTag; // local holdings: 852 in MARC21, 899 in RUSMARC
    char inventoryCode, letterCode;
};

// The rubric of our tree: a local subject field (a tag with a 9 is the library's own in MARC21,
// UNIMARC and RUSMARC alike), its top-level title in $a and each title below in an $x, as a
// subject heading gives its subdivisions.
inline constexpr char RubricTag[] = "690";
inline constexpr char RubricTopCode = 'a', RubricLevelCode = 'x';

const FormatTable &tableFor(Format format); // Auto reads as MARC21

// The one reader of the tables: a decoded record to our fields.
BookFields toBookFields(const Record &record, Format format);

// A holding as export writes it.
struct Holding {
    qint64 id = 0;
    QString inventoryNumber, letter;
    BookFields fields;
};

// What a record can hold of a card: its text as exchangeText leaves it, each keyword once.
BookFields exchangeFields(const BookFields &fields);

// The record export writes for a holding, text in UTF-8, dated now.
Record fromHolding(const Holding &holding, Format format, const QDateTime &now);

// The longest value export puts into one field of free text; a longer one goes on in the next.
inline constexpr int LinkedChunkBytes = 9000;

} // namespace marc
