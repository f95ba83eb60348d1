// The security attributes the library passes when it creates registry keys.
#pragma once

#include <windows.h>

namespace qtv {

// Null when no attributes are to be passed, else `sa` filled with the
// platform's default descriptor, not inheritable.
SECURITY_ATTRIBUTES* CreationSecurity(SECURITY_ATTRIBUTES& sa);

}  // namespace qtv
