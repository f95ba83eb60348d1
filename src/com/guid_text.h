// Identifier text conversion shared inside the library: the braced registry
// form of class and interface identifiers as 8-bit text.
#pragma once

#include <windows.h>

#include <objbase.h>

// Interface identifiers, for the registry and the interface iterator. The
// text from OleStringFromIID comes from CoTaskMemAlloc (free it with
// CoTaskMemFree); nothing is stored on failure. OleIIDFromString fails with
// E_INVALIDARG, the identifier untouched, for a text longer than 124 wide
// characters.
HRESULT OleStringFromIID(const GUID& iid, char** text);
HRESULT OleIIDFromString(const char* text, GUID* iid);
