#pragma once

#include <functional>

namespace data {

// Told how far a long piece of work has come (done of total steps), so that a window can show
// it and keep answering the librarian meanwhile.
using Progress = std::function<void(long long done, long long total)>;

// What a Progress throws when the librarian stopped the work: the work unwinds as after an
// error, undoing what it began (a transaction rolls back, a file is not replaced).
struct Cancelled {};

} // namespace data
