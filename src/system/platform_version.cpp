#include "system/platform_version.h"

namespace qtv {

namespace {
VersionSource g_versionSource = nullptr;  // null: GetVersion
}  // namespace

UINT PlatformVersion() {
    DWORD version = g_versionSource ? g_versionSource() : GetVersion();
    return (LOBYTE(version) << 8) | HIBYTE(LOWORD(version));
}

VersionSource SetVersionSourceForTesting(VersionSource source) {
    VersionSource previous = g_versionSource;
    g_versionSource = source;
    return previous;
}

}  // namespace qtv
