#pragma once

#include "MarcCodec.h"
#include "MarcRecord.h"

namespace marc {

// What "Автоматически" takes a record for. The raw record's values are its bytes (see RawRecord).

// MARC21 keeps the title in 245, UNIMARC and RUSMARC in 200; RUSMARC is told from UNIMARC by
// a Russian cataloguing language or character set in 100, or its holdings field 899.
Format detectFormat(const Record &raw, Format fallback);

// What the record says of its character set: MARC21 leader position 9, UNIMARC field 100
// positions 26-29; Auto when it says nothing.
Charset claimedCharset(const Record &raw, Format format);

// The character set to read the record in: valid UTF-8 is UTF-8 whatever the record says; else
// the fallback (the catalogue's settings) when there is one; Cyrillic letters in code page 1251
// (runs of bytes 0xC0-0xFF, or bytes MARC-8 cannot hold as they stand) are 1251 even under a
// leader that claims MARC-8, as Russian libraries' files often are. Otherwise what the record
// says, else MARC-8 for MARC21 and 1251 for the others.
Charset detectCharset(const Record &raw, Format format, Charset fallback);

} // namespace marc
