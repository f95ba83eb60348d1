// CopyStructure of a tree of 200 keys and 2,000 values against the
// platform's own RegCopyTreeA of the same tree, in the same run.
#include "qtvutils/registry.h"

#include "bench_timer.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kChildren = 10, kGrandchildren = 19, kValuesPerKey = 10, kRounds = 5;

// Five text and five binary values per key, like a settings scheme.
void FillKey(HKEY key) {
    for (int i = 0; i < kValuesPerKey; ++i) {
        std::string name = "value" + std::to_string(i), data = "setting-" + std::to_string(i * 7919);
        DWORD type = i % 2 ? REG_BINARY : REG_SZ;
        RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()), data.size() + 1);
    }
}

HKEY CreateKey(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    const std::string root = "Software\\QTVUtilsBench\\" + std::to_string(GetCurrentProcessId());
    HKEY source = CreateKey(HKEY_CURRENT_USER, root + "\\source");
    for (int c = 0; c < kChildren; ++c) {
        HKEY child = CreateKey(source, "child" + std::to_string(c));
        FillKey(child);
        for (int g = 0; g < kGrandchildren; ++g) {
            HKEY grandchild = CreateKey(child, "grandchild" + std::to_string(g));
            FillKey(grandchild);
            RegCloseKey(grandchild);
        }
        RegCloseKey(child);
    }
    std::unique_ptr<CRegEntry> sourceEntry(CRegEntry::OpenExisting(HKEY_CURRENT_USER, (root + "\\source").c_str()));
    if (!sourceEntry) {
        printf("could not build the source tree\n");
        return 1;
    }

    std::vector<double> library, raw;
    for (int r = 0; r < kRounds; ++r) {
        const std::string libraryTarget = root + "\\library" + std::to_string(r);
        std::unique_ptr<CRegEntry> target(CRegEntry::CreateNew(HKEY_CURRENT_USER, libraryTarget.c_str()));
        double t0 = qtvbench::NowSeconds();
        LONG result = sourceEntry->CopyStructure(target.get());
        library.push_back(qtvbench::NowSeconds() - t0);

        HKEY rawTarget = CreateKey(HKEY_CURRENT_USER, root + "\\raw" + std::to_string(r));
        t0 = qtvbench::NowSeconds();
        LONG rawResult = RegCopyTreeA(source, nullptr, rawTarget);
        raw.push_back(qtvbench::NowSeconds() - t0);
        RegCloseKey(rawTarget);
        if (result != 0 || rawResult != 0) printf("round %d: copy results %ld, %ld\n", r, result, rawResult);
    }
    qtvbench::Report("CopyStructure, 200 keys and 2,000 values", Median(library), Median(raw), "within 3x");

    sourceEntry.reset();
    RegCloseKey(source);
    RegDeleteTreeA(HKEY_CURRENT_USER, root.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QTVUtilsBench");
    return 0;
}
