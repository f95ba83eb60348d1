// QTVUtils: exports kept for the suite's programs that do nothing.
#pragma once

#include "qtvutils/api.h"

// No-op exports kept for the suite's programs: they do nothing and return.
extern "C" {
QTVUTILS_API void WriteEvent(...);
QTVUTILS_API void DumpCallStack(...);
}
