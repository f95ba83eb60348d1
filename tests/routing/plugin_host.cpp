// A program that does not link the library but loads a plug-in built on it,
// twice: the library comes and goes with the plug-in, and the second time its
// old place is taken, so it loads at another address. Reports per round where
// the library is, what the plug-in's router answered, whether the library
// went with the plug-in and whether its window class outlived it.
//   qtv_plugin_host <report>
#include "qtvutils/routing.h"

#include <cstdio>

int main(int argc, char** argv) {
    FILE* report = argc == 2 ? fopen(argv[1], "w") : nullptr;
    if (!report) return 2;
    HMODULE oldLibrary = nullptr;
    for (int round = 0; round < 2; ++round) {
        HMODULE plugin = LoadLibraryA("qtv_router_plugin.dll");
        HMODULE library = GetModuleHandleA("QTVUtils.dll");
        auto run = reinterpret_cast<LRESULT (*)(UINT)>(reinterpret_cast<void*>(GetProcAddress(plugin, "RunRouter")));
        if (!plugin || !library || !run) return 3;
        fprintf(report, "moved %d\n", library != oldLibrary);
        fprintf(report, "answer %lld\n", static_cast<long long>(run(WM_APP + 5)));
        FreeLibrary(plugin);
        WNDCLASSA wc;
        fprintf(report, "unloaded %d stale class %d\n", GetModuleHandleA("QTVUtils.dll") == nullptr,
                GetClassInfoA(library, QTV_ROUTER_WINDOW_CLASS, &wc) != 0);
        oldLibrary = library;
        VirtualAlloc(library, 0x10000, MEM_RESERVE, PAGE_NOACCESS);
    }
    fclose(report);
    return 0;
}
