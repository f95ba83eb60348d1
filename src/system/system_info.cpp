#include "qtvutils/system.h"

#include "system/platform_version.h"

#include <cstring>

namespace {

// Writes never add SPIF_UPDATEINIFILE: the user profile keeps its value.
const UINT kRead = 0;
const UINT kWrite = SPIF_SENDWININICHANGE;

template <class Fn>
Fn Export(HMODULE hModule, const char* name) {
    // GetProcAddress hands out a generic procedure pointer; the export's
    // real type is fixed by the platform.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(hModule, name)));
}

// USER32 is found among the modules already loaded and looked up again on
// every call: the library neither loads it nor keeps it loaded.
BOOL Spi(UINT action, UINT param, void* pValue, UINT flags) {
    using SpiProc = BOOL(WINAPI*)(UINT, UINT, void*, UINT);
    HMODULE user32 = GetModuleHandleA("USER32");
    SpiProc spi = user32 ? Export<SpiProc>(user32, "SystemParametersInfoA") : nullptr;
    return spi ? spi(action, param, pValue, flags) : FALSE;
}

BOOL Read(UINT action, void* pValue) { return Spi(action, 0, pValue, kRead); }

template <class T>
BOOL ReadStruct(UINT action, T* pValue) {
    return Spi(action, sizeof(T), pValue, kRead);
}

BOOL WriteValue(UINT action, UINT value) { return Spi(action, value, nullptr, kWrite); }

template <class T>
BOOL WriteStruct(UINT action, T value) {
    return Spi(action, sizeof(T), &value, kWrite);
}

// Platforms before 3.10 keep the mouse parameters behind the 16-bit user
// module; where it is missing, nothing happens. Its answer was never
// reported, so the result is always TRUE.
BOOL MouseThroughControlPanel(UINT action, TRACK_INFO* pValue) {
    using ControlPanelInfoProc = void(WINAPI*)(UINT, UINT, void*);
    HMODULE user = GetModuleHandleA("USER");
    ControlPanelInfoProc proc = user ? Export<ControlPanelInfoProc>(user, "ControlPanelInfo") : nullptr;
    if (proc) proc(action, 0, pValue);
    return TRUE;
}

bool MouseThroughSpi() { return qtv::PlatformVersion() >= qtv::kFirstVersionWithSpi; }

}  // namespace

CSystemInfo::CSystemInfo() = default;
CSystemInfo::~CSystemInfo() = default;

BOOL CSystemInfo::GetAccessTimeOut(tagACCESSTIMEOUT* pValue) { return ReadStruct(SPI_GETACCESSTIMEOUT, pValue); }
BOOL CSystemInfo::GetBeeperState(int* pbOn) { return Read(SPI_GETBEEP, pbOn); }
BOOL CSystemInfo::GetBorderWidth(UINT* pnWidth) { return Read(SPI_GETBORDER, pnWidth); }
BOOL CSystemInfo::GetFastTSwitchEnabled(int* pbOn) { return Read(SPI_GETFASTTASKSWITCH, pbOn); }
BOOL CSystemInfo::GetFilterKeys(tagFILTERKEYS* pValue) { return ReadStruct(SPI_GETFILTERKEYS, pValue); }
BOOL CSystemInfo::GetGranularity(UINT* pnGranularity) { return Read(SPI_GETGRIDGRANULARITY, pnGranularity); }
BOOL CSystemInfo::GetIconTitleFont(tagLOGFONTA* pValue) { return ReadStruct(SPI_GETICONTITLELOGFONT, pValue); }
BOOL CSystemInfo::GetIconWrappingEnabled(int* pbOn) { return Read(SPI_GETICONTITLEWRAP, pbOn); }
BOOL CSystemInfo::GetRepeatDelay(UINT* pnDelay) { return Read(SPI_GETKEYBOARDDELAY, pnDelay); }
BOOL CSystemInfo::GetRepeatSpeed(ULONG* pnSpeed) { return Read(SPI_GETKEYBOARDSPEED, pnSpeed); }
BOOL CSystemInfo::GetMenuAlignmentLeft(int* pbLeft) { return Read(SPI_GETMENUDROPALIGNMENT, pbLeft); }
BOOL CSystemInfo::GetMouseKeys(tagMOUSEKEYS* pValue) { return ReadStruct(SPI_GETMOUSEKEYS, pValue); }
BOOL CSystemInfo::GetScrSaverActive(int* pbOn) { return Read(SPI_GETSCREENSAVEACTIVE, pbOn); }
BOOL CSystemInfo::GetScrSaverTimeout(UINT* pnSeconds) { return Read(SPI_GETSCREENSAVETIMEOUT, pnSeconds); }
BOOL CSystemInfo::GetSoundSentry(tagSOUNDSENTRYA* pValue) { return ReadStruct(SPI_GETSOUNDSENTRY, pValue); }
BOOL CSystemInfo::GetStickyKeys(tagSTICKYKEYS* pValue) { return ReadStruct(SPI_GETSTICKYKEYS, pValue); }
BOOL CSystemInfo::GetToggleKeys(tagTOGGLEKEYS* pValue) { return ReadStruct(SPI_GETTOGGLEKEYS, pValue); }

BOOL CSystemInfo::GetMouseSpeed(TRACK_INFO* pValue) {
    return MouseThroughSpi() ? Read(SPI_GETMOUSE, pValue) : MouseThroughControlPanel(SPI_GETMOUSE, pValue);
}

BOOL CSystemInfo::GetShowSounds(int* pbOn) {
    // Platforms without the action still know the setting as a metric.
    if (!Read(SPI_GETSHOWSOUNDS, pbOn) && pbOn) *pbOn = GetSystemMetrics(SM_SHOWSOUNDS);
    return TRUE;
}

BOOL CSystemInfo::GetLangDriverName(CString& strName) {
    // Wine answers TRUE and writes nothing: the buffer starts empty, and its
    // last byte stays NUL whatever the platform leaves in it.
    char buffer[250] = {};
    BOOL ok = Spi(SPI_LANGDRIVER, 0, buffer, kRead);
    buffer[sizeof buffer - 1] = '\0';
    strName = ok ? buffer : "";
    return ok;
}

BOOL CSystemInfo::SetIconHorzSize(UINT nPixels) { return WriteValue(SPI_ICONHORIZONTALSPACING, nPixels); }
BOOL CSystemInfo::SetIconVertSize(UINT nPixels) { return WriteValue(SPI_ICONVERTICALSPACING, nPixels); }
BOOL CSystemInfo::SetAccessTimeout(tagACCESSTIMEOUT value) { return WriteStruct(SPI_SETACCESSTIMEOUT, value); }
BOOL CSystemInfo::SetWarningBeeperOn(BOOL bOn) { return WriteValue(SPI_SETBEEP, bOn); }
BOOL CSystemInfo::SetBorderWidth(UINT nWidth) { return WriteValue(SPI_SETBORDER, nWidth); }
BOOL CSystemInfo::SetDoubleClickTime(UINT nMilliseconds) { return WriteValue(SPI_SETDOUBLECLICKTIME, nMilliseconds); }
BOOL CSystemInfo::SetDoubleClickHeight(UINT nPixels) { return WriteValue(SPI_SETDOUBLECLKHEIGHT, nPixels); }
BOOL CSystemInfo::SetDoubleClickWidth(UINT nPixels) { return WriteValue(SPI_SETDOUBLECLKWIDTH, nPixels); }
BOOL CSystemInfo::SetFastTSwitchEnabled(BOOL bOn) { return WriteValue(SPI_SETFASTTASKSWITCH, bOn); }
BOOL CSystemInfo::SetFilterKeys(tagFILTERKEYS value) { return WriteStruct(SPI_SETFILTERKEYS, value); }
BOOL CSystemInfo::SetGranularity(UINT nGranularity) { return WriteValue(SPI_SETGRIDGRANULARITY, nGranularity); }
BOOL CSystemInfo::SetIconWrappingEnabled(BOOL bOn) { return WriteValue(SPI_SETICONTITLEWRAP, bOn); }
BOOL CSystemInfo::SetRepeatDelay(UINT nDelay) { return WriteValue(SPI_SETKEYBOARDDELAY, nDelay); }
BOOL CSystemInfo::SetRepeatSpeed(UINT nSpeed) { return WriteValue(SPI_SETKEYBOARDSPEED, nSpeed); }
BOOL CSystemInfo::SetMenuAlignmentLeft(BOOL bLeft) { return WriteValue(SPI_SETMENUDROPALIGNMENT, bLeft); }
BOOL CSystemInfo::SetMouseBtnSwap(BOOL bSwap) { return WriteValue(SPI_SETMOUSEBUTTONSWAP, bSwap); }
BOOL CSystemInfo::SetMouseKeys(tagMOUSEKEYS value) { return WriteStruct(SPI_SETMOUSEKEYS, value); }
BOOL CSystemInfo::SetScrSaverActive(BOOL bOn) { return WriteValue(SPI_SETSCREENSAVEACTIVE, bOn); }
BOOL CSystemInfo::SetScrSaverTimeout(UINT nSeconds) { return WriteValue(SPI_SETSCREENSAVETIMEOUT, nSeconds); }
BOOL CSystemInfo::SetShowSounds(BOOL bOn) { return WriteValue(SPI_SETSHOWSOUNDS, bOn); }
BOOL CSystemInfo::SetSoundSentry(tagSOUNDSENTRYA value) { return WriteStruct(SPI_SETSOUNDSENTRY, value); }
BOOL CSystemInfo::SetStickyKeys(tagSTICKYKEYS value) { return WriteStruct(SPI_SETSTICKYKEYS, value); }
BOOL CSystemInfo::SetToggleKeys(tagTOGGLEKEYS value) { return WriteStruct(SPI_SETTOGGLEKEYS, value); }

BOOL CSystemInfo::SetMouseSpeed(TRACK_INFO value) {
    return MouseThroughSpi() ? Spi(SPI_SETMOUSE, 0, &value, kWrite) : MouseThroughControlPanel(SPI_SETMOUSE, &value);
}

BOOL CSystemInfo::SetIconTitleFont(tagLOGFONTA value) {
    // Wine (64-bit) reads a LOGFONTW here: 32 bytes past the ANSI structure,
    // and it faults, then hangs, when they hold no zero character to end the
    // face name. Zeros behind the structure keep that read harmless.
    LOGFONTW room = {};
    memcpy(&room, &value, sizeof value);
    return Spi(SPI_SETICONTITLELOGFONT, sizeof value, &room, kWrite);
}

BOOL CSystemInfo::SetDesktopPattern(const char pchPattern[8]) {
    // The profile holds one number from 0 to 255 per row: the rows are bytes,
    // not signed characters. Eight such numbers and seven blanks fit in 32.
    const auto* row = reinterpret_cast<const unsigned char*>(pchPattern);
    char text[32];
    wsprintfA(text, "%i %i %i %i %i %i %i %i", row[0], row[1], row[2], row[3], row[4], row[5], row[6], row[7]);
    // The platform call below decides the result: it reads what was written.
    WriteProfileStringA("Desktop", "Pattern", text);
    return Spi(SPI_SETDESKPATTERN, 0, nullptr, kWrite);
}

BOOL CSystemInfo::SetWallPaper(CString strFile) {
    return Spi(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(static_cast<const char*>(strFile)), kWrite);
}
