// The system-parameter part of the demo: reads a few user-interface settings
// through CSystemInfo, changes the double-click time for every process, shows
// the platform's own call seeing the change while the user profile keeps the
// old value, and puts the old value back.
#include "qtvutils/system.h"

#include <cstdio>

namespace {

void Say(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    CString text;
    text.FormatV(format, args);
    va_end(args);
    printf("[%-6s] %s\n", "system", static_cast<const char*>(text));
    fflush(stdout);
}

// The value the user profile holds (what survives a restart of the session).
CString ProfileDoubleClickTime() {
    char text[32] = "(none)";
    DWORD size = sizeof text;
    RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Mouse", "DoubleClickSpeed", RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

}  // namespace

int DemoSystem() {
    CSystemInfo info;
    TRACK_INFO mouse = {};
    UINT timeout = 0, delay = 0;
    ULONG speed = 0;
    if (!info.GetMouseSpeed(&mouse) || !info.GetScrSaverTimeout(&timeout) || !info.GetRepeatDelay(&delay) ||
        !info.GetRepeatSpeed(&speed)) {
        Say("could not read the system parameters");
        return 1;
    }
    Say("mouse thresholds %d and %d, acceleration %d", mouse.nThreshold1, mouse.nThreshold2, mouse.nAcceleration);
    Say("screen saver after %u s; keyboard delay %u, repeat speed %lu", timeout, delay, speed);

    const UINT old = GetDoubleClickTime();
    Say("double-click time %u ms (profile: %s)", old, static_cast<const char*>(ProfileDoubleClickTime()));
    const BOOL changed = info.SetDoubleClickTime(old + 100);
    Say("SetDoubleClickTime(%u) -> %d; GetDoubleClickTime() now says %u ms (profile: %s)", old + 100, changed,
        GetDoubleClickTime(), static_cast<const char*>(ProfileDoubleClickTime()));
    const BOOL restored = info.SetDoubleClickTime(old);
    Say("put back: %u ms", GetDoubleClickTime());
    return changed && restored && GetDoubleClickTime() == old ? 0 : 1;
}
