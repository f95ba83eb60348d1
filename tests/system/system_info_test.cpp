// CSystemInfo beside the platform's own calls, in this build's private
// prefix. A value a test changes is read first and put back through the raw
// call whatever the checks find.
#include "qtvutils/system.h"

#include "framework/scoped_handle.h"
#include "system/platform_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

union Value { UINT u; int i; ULONG ul; TRACK_INFO track; LOGFONTA font; ACCESSTIMEOUT access; FILTERKEYS filter;
              MOUSEKEYS mouse; SOUNDSENTRYA sentry; STICKYKEYS sticky; TOGGLEKEYS toggle; char text[MAX_PATH]; };

// size: the raw read's integer parameter (a structure's size, MAX_PATH for a
// text, 0 for a number). get: the raw read's action, or one of the two reads
// below. set: the raw write that puts the old value back. flip: the bits of
// the first word a row's write changes; kRefused: the platform does not
// implement the write, and the value goes back as read. BOTH gives the row
// of Get<name> and the row of Set<name> of one parameter.
struct Op { const char* name; std::function<BOOL(Value&)> call; UINT size, get, set = 0, flip = 0; };
const UINT kMetric = 0x10000, kDoubleClickTime = 0x20000, kRefused = 0;
#define VALUE_SIZE(m) (sizeof(Value::m) > sizeof(UINT) ? sizeof(Value::m) : 0)
#define GET(fn, m, ...) {#fn, [](Value& v) { return CSystemInfo().fn(&v.m); }, VALUE_SIZE(m), __VA_ARGS__}
#define SET(fn, m, ...) {#fn, [](Value& v) { return CSystemInfo().fn(v.m); }, VALUE_SIZE(m), __VA_ARGS__}
#define BOTH(name, m, get, ...) GET(Get##name, m, get), SET(Set##name, m, get, __VA_ARGS__)

const Op kOps[] = {
    GET(GetAccessTimeOut, access, 60), SET(SetAccessTimeout, access, 60, 61, kRefused), GET(GetBeeperState, i, 1),
    SET(SetWarningBeeperOn, i, 1, 2, 1), BOTH(BorderWidth, u, 5, 6, 2), BOTH(FastTSwitchEnabled, i, 35, 36, kRefused),
    BOTH(FilterKeys, filter, 50, 51, kRefused), BOTH(Granularity, u, 18, 19, 2), BOTH(IconTitleFont, font, 31, 34, 2),
    BOTH(IconWrappingEnabled, i, 25, 26, 1), BOTH(RepeatDelay, u, 22, 23, 2), BOTH(RepeatSpeed, ul, 10, 11, 2),
    BOTH(MenuAlignmentLeft, i, 27, 28, 1), BOTH(MouseSpeed, track, 3, 4, 2), BOTH(MouseKeys, mouse, 54, 55, kRefused),
    BOTH(ScrSaverActive, i, 16, 17, 1), BOTH(ScrSaverTimeout, u, 14, 15, 2), BOTH(ShowSounds, i, 56, 57, 1),
    BOTH(SoundSentry, sentry, 64, 65, kRefused), BOTH(StickyKeys, sticky, 58, 59, kRefused),
    BOTH(ToggleKeys, toggle, 52, 53, kRefused),
    SET(SetIconHorzSize, u, 13, 13, 2), SET(SetIconVertSize, u, 24, 24, 2), SET(SetWallPaper, text, 0x73, 20, 'X'),
    SET(SetDoubleClickTime, u, kDoubleClickTime, 32, 2), SET(SetDoubleClickHeight, u, kMetric | SM_CYDOUBLECLK, 30, 2),
    SET(SetDoubleClickWidth, u, kMetric | SM_CXDOUBLECLK, 29, 2),
    SET(SetMouseBtnSwap, i, kMetric | SM_SWAPBUTTON, 33, 1),
    {"GetLangDriverName", [](Value& v) {
         CString name("sentinel");  // must become the raw call's text
         BOOL ok = CSystemInfo().GetLangDriverName(name);
         lstrcpynA(v.text, name, MAX_PATH);
         return ok; }, MAX_PATH, 12},
};

// A sentinel over the value's own bytes, with a structure's size member
// filled in as callers do; zeros behind it, and for a text.
Value Fresh(UINT size) {
    Value v = Value();  // zero-initialised: every byte
    if (size != MAX_PATH) memset(&v, 0xA5, size ? size : sizeof v.u);
    if (size != MAX_PATH && size) v.u = size;
    return v;
}

BOOL RawRead(UINT get, UINT size, Value& v) {
    if (get == kDoubleClickTime) return v.u = GetDoubleClickTime(), TRUE;
    if (get & kMetric) return v.u = GetSystemMetrics(get & 0xFFFF), TRUE;
    return SystemParametersInfoA(get, size, &v, 0);
}

// One row beside the raw call. Unless `reaches`, the operation must answer
// TRUE and leave the value and the platform alone.
void Check(const Op& op, bool reaches) {
    SCOPED_TRACE(op.name);
    Value raw = Fresh(op.size), mine = raw, now = raw;
    const BOOL rawOk = RawRead(op.get, op.size, raw);
    if (!op.set) {
        EXPECT_EQ(reaches ? rawOk : TRUE, op.call(mine));
        EXPECT_EQ(0, memcmp(reaches ? &raw : &now, &mine, sizeof mine)) << std::hex << raw.u << " " << mine.u;
        return;
    }
    // The persistent values live under HKCU\Control Panel; Wine keeps what
    // update flags 2 write in a volatile key elsewhere.
    qtv::ScopedKey panel;
    qtv::ScopedHandle written(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel", 0, KEY_NOTIFY, panel.Receive());
    ASSERT_TRUE(rawOk && !RegNotifyChangeKeyValue(panel.Get(), TRUE, REG_NOTIFY_CHANGE_LAST_SET, written.Get(), TRUE));
    mine = raw;
    mine.u ^= op.flip;
    EXPECT_EQ(reaches && op.flip == kRefused ? FALSE : TRUE, op.call(mine));
    RawRead(op.get, op.size, now);
    // Wine's ANSI write of the icon title font breaks the face name.
    const size_t compared = op.get == SPI_GETICONTITLELOGFONT ? offsetof(LOGFONTA, lfFaceName) : sizeof now;
    EXPECT_EQ(0, memcmp(reaches ? &mine : &raw, &now, compared)) << std::hex << mine.u << " " << now.u;
    const bool toProfile = WaitForSingleObject(written.Get(), 0) == WAIT_OBJECT_0;
    EXPECT_FALSE(toProfile) << "a persistent value changed";
    // Nothing above returns once the value may have changed: it always goes
    // back, into the profile as well when a write reached it.
    SystemParametersInfoA(op.set, op.size ? op.size : raw.u, op.size ? &raw : nullptr,
                          SPIF_SENDWININICHANGE | (toProfile ? SPIF_UPDATEINIFILE : 0));
}

DWORD g_version;  // what stands in for GetVersion
DWORD WINAPI StandInVersion() { return g_version; }

// Then, below version 3.10, the mouse parameters skip the missing 16-bit
// module and answer TRUE.
TEST(SystemInfoTest, ReadsMatchTheRawCallAndWritesReachItButNotTheProfileNorBelowVersion3_10) {
    LOGFONTW font;  // the ANSI restore keeps a broken face name; the wide call mends it
    SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0);
    for (const Op& op : kOps) Check(op, true);
    SystemParametersInfoW(SPI_SETICONTITLELOGFONT, sizeof font, &font, SPIF_SENDWININICHANGE);
    // GetVersion's low word, minor version in the high byte; platform reached (1) or not (0)
    const std::pair<WORD, bool> rows[] = {{0x0003, 0}, {0x0903, 0}, {0x1402, 0}, {0x0A03, 1}, {0x0004, 1}};
    qtv::SetVersionSourceForTesting(StandInVersion);
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "version word 0x" << std::hex << r.first);
        g_version = r.first;
        for (const Op& op : kOps) if (op.get == SPI_GETMOUSE) Check(op, r.second);
    }
    qtv::SetVersionSourceForTesting(nullptr);
}

TEST(SystemInfoTest, DesktopPatternRowsReachTheProfileAsNumbersFrom0To255) {
    char old[64], now[64];
    GetProfileStringA("Desktop", "Pattern", "\x01", old, sizeof old);  // "\x01": no value, deleted at the end
    EXPECT_TRUE(CSystemInfo().SetDesktopPattern("\0\x18\xff\x80\x7f\x01\0\x09"));
    GetProfileStringA("Desktop", "Pattern", "", now, sizeof now);
    EXPECT_STREQ("0 24 255 128 127 1 0 9", now);
    WriteProfileStringA("Desktop", "Pattern", strcmp(old, "\x01") ? old : nullptr);
}

}  // namespace
