#include "qtvutils/exports.h"

// The library writes no log and no trace; these entry points remain for the
// programs that call them.
extern "C" void WriteEvent(...) {}
extern "C" void DumpCallStack(...) {}
