#pragma once

#include <functional>

namespace data {

// Told how far a long piece of work has come (done of total steps), so that a window can show
// it and keep answering the librarian meanwhile.
using Progress = std::function<void(long long done, long long total)>;

} // namespace data
