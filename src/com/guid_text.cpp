#include "com/guid_text.h"

#include "qtvutils/com.h"

#include <cstring>

namespace {

using GuidToWide = HRESULT(WINAPI*)(REFGUID, LPOLESTR*);
using WideToGuid = HRESULT(WINAPI*)(LPCOLESTR, GUID*);

// A braced identifier has 38 characters; these bounds leave ample room.
const int kTextBytes = 250;
const int kWideChars = 125;

HRESULT GuidToText(GuidToWide toWide, const GUID& id, char** text) {
    LPOLESTR wide = nullptr;
    HRESULT hr = toWide(id, &wide);
    if (FAILED(hr)) return hr;
    char narrow[kTextBytes];
    int n = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, wide, -1, narrow, kTextBytes, nullptr, nullptr);
    CoTaskMemFree(wide);
    if (n == 0) return HRESULT_FROM_WIN32(GetLastError());
    // n counts the NUL.
    char* result = static_cast<char*>(CoTaskMemAlloc(n));
    if (!result) return E_OUTOFMEMORY;
    memcpy(result, narrow, n);
    *text = result;
    return hr;
}

HRESULT TextToGuid(WideToGuid fromWide, const char* text, GUID* id, HRESULT tooLong) {
    // A null text is the platform's to judge (it reads it as the null
    // identifier).
    if (!text) return fromWide(nullptr, id);
    // Length -1 makes the conversion stop at the NUL, so nothing beyond the
    // text is read; a text that does not fit fails here.
    WCHAR wide[kWideChars];
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, wide, kWideChars) == 0) return tooLong;
    return fromWide(wide, id);
}

}  // namespace

HRESULT OleStringFromCLSID(const GUID& clsid, LPOLESTR* text) {
    return GuidToText(StringFromCLSID, clsid, reinterpret_cast<char**>(text));
}

// The platform answers malformed text with CO_E_CLASSSTRING for classes and
// E_INVALIDARG for interfaces; text too long to be an identifier gets the
// same answer.
HRESULT OleCLSIDFromString(LPOLESTR text, GUID* clsid) {
    return TextToGuid(CLSIDFromString, reinterpret_cast<const char*>(text), clsid, CO_E_CLASSSTRING);
}

HRESULT OleStringFromIID(const GUID& iid, char** text) { return GuidToText(StringFromIID, iid, text); }

HRESULT OleIIDFromString(const char* text, GUID* iid) {
    return TextToGuid(IIDFromString, text, iid, E_INVALIDARG);
}
