#include "ProcessValues.h"

namespace store {

static ProcessValues &instance()
{
    static ProcessValues values;
    return values;
}

ProcessValues &process() { return instance(); }
void resetProcess() { instance() = ProcessValues(); }

} // namespace store
