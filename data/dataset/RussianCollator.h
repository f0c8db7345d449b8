#pragma once

#include <memory>
#include <unicode/ucol.h>

namespace data {

using CollatorPtr = std::unique_ptr<UCollator, decltype(&ucol_close)>;

// The collator QCollator makes for Russian (punctuation not ignored, digits as characters),
// case-insensitive when asked: opened directly, so that keys can be written into one buffer.
CollatorPtr openRussianCollator(bool caseInsensitive);

} // namespace data
