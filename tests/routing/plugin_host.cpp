// A program that does not link the library but loads a plug-in built on it,
// lets it make a router and unloads it, and the library with it. Exit code 0
// when the router was made and its window class went with the library, 1
// when no router was made, 2 when the class outlived the library.
#include "qtvutils/routing.h"

int main() {
    HMODULE plugin = LoadLibraryA("qtv_router_plugin.dll"), library = GetModuleHandleA("QTVUtils.dll");
    auto make = reinterpret_cast<BOOL (*)()>(reinterpret_cast<void*>(GetProcAddress(plugin, "MakeRouter")));
    if (!make || !make()) return 1;
    FreeLibrary(plugin);
    WNDCLASSA wc;
    return GetClassInfoA(library, QTV_ROUTER_WINDOW_CLASS, &wc) ? 2 : 0;
}
