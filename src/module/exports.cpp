#include "qtvutils/framework.h"

const char QtvEmptyText[1] = "";

// Shared so that every path name skips exactly the same blanks.
const char QtvWhiteSpaceChars[3] = " \t";

// The library writes no log and no trace; these entry points remain for the
// programs that call them.
extern "C" void WriteEvent(...) {}
extern "C" void DumpCallStack(...) {}
