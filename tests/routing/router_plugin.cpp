// A plug-in built on the library, for a host that loads and unloads it.
#include "qtvutils/routing.h"

extern "C" __declspec(dllexport) BOOL MakeRouter() {
    CMessagePipe router;
    return router.Initialize();
}
