// The system-parameter part of the demo: reads a few user-interface settings
// through CSystemInfo, changes the double-click time for every process, shows
// the platform's own call seeing the change while the user profile keeps the
// old value, and puts the old value back.
#include "qtvutils/system.h"

#include <cstdio>

namespace {

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
        printf("[system] could not read the system parameters\n");
        return 1;
    }
    printf("[system] mouse thresholds %d and %d, acceleration %d\n", mouse.nThreshold1, mouse.nThreshold2,
           mouse.nAcceleration);
    printf("[system] screen saver after %u s; keyboard delay %u, repeat speed %lu\n", timeout, delay, speed);

    const UINT old = GetDoubleClickTime();
    printf("[system] double-click time %u ms (profile: %s)\n", old, static_cast<const char*>(ProfileDoubleClickTime()));
    const BOOL changed = info.SetDoubleClickTime(old + 100);
    printf("[system] SetDoubleClickTime(%u) -> %d; GetDoubleClickTime() now says %u ms (profile: %s)\n", old + 100,
           changed, GetDoubleClickTime(), static_cast<const char*>(ProfileDoubleClickTime()));
    const BOOL restored = info.SetDoubleClickTime(old);
    printf("[system] put back: %u ms\n", GetDoubleClickTime());
    fflush(stdout);
    return changed && restored && GetDoubleClickTime() == old ? 0 : 1;
}
