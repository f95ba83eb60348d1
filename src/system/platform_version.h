// The platform version as the system-parameter calls judge it.
#pragma once

#include "qtvutils/framework.h"

namespace qtv {

// First version whose mouse parameters go through SystemParametersInfoA
// (3.10); older ones keep them behind the 16-bit user module.
const UINT kFirstVersionWithSpi = 0x030A;

// major * 256 + minor, from the low word of GetVersion's answer (minor in
// its high byte, major in its low byte).
UINT PlatformVersion();

// Lets the tests stand in for GetVersion: no platform they run on reports a
// version below 3.10. A null source puts GetVersion back. Returns the source
// it replaces. Not for programs: it is declared only here, and the source is
// read without a lock.
using VersionSource = DWORD(WINAPI*)();
QTVUTILS_API VersionSource SetVersionSourceForTesting(VersionSource source);

}  // namespace qtv
