#include "registry/key_security.h"

#include "framework/scoped_handle.h"

namespace qtv {

namespace {

// Opens the token the caller acts under only to learn whether there is one;
// its contents are not used.
bool CallerHasToken() {
    ScopedHandle token;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, token.Receive())) return true;
    // 1008: the thread does not impersonate, so the process token applies.
    // Any other failure (120 on platforms without tokens) means no token.
    if (GetLastError() != ERROR_NO_TOKEN) return false;
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()) != FALSE;
}

}  // namespace

SECURITY_ATTRIBUTES* CreationSecurity(SECURITY_ATTRIBUTES& sa) {
    if (!CallerHasToken()) return nullptr;
    // A null descriptor gives new keys the platform's default security, which
    // is all the library asks for.
    sa.nLength = sizeof(sa);
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = FALSE;
    return &sa;
}

}  // namespace qtv
