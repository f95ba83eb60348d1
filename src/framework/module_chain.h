// The framework's registry of modules: the executable's run-time classes and
// the chain of registered extension modules with theirs.
#pragma once

#include "qtvutils/extension_module.h"

#include <vector>

namespace qtv {

// The modules whose resources the framework searches, in search order: the
// executable's, then each registered extension module's. A snapshot, so that
// no lock is held while the caller touches the modules.
std::vector<HMODULE> ResourceModules();

// Calls fn(hModule) for each resource module in order until it returns true.
template <class Fn>
void ForEachResourceModule(Fn fn) {
    for (HMODULE h : ResourceModules())
        if (fn(h)) return;
}

}  // namespace qtv
