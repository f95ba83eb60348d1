// CPathName split and compose per path against the runtime's _splitpath and
// _makepath in the same run.
#include "qtvutils/files.h"

#include "bench_timer.h"

#include <cstdlib>

namespace {

const char* const kPaths[] = {
    "C:\\Program Files\\Quorvane\\TalVora\\Profiles\\default.profile.xml",
    "D:\\a\\b.txt",
    "\\\\server\\share\\devices\\mouse\\buttons.cfg",
    "relative\\dir\\name_without_extension",
};

volatile size_t g_sink;

}  // namespace

int main() {
    const int kBatch = 20000;
    for (const char* path : kPaths) {
        printf("%s\n", path);
        char drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT], out[_MAX_PATH];
        double pair = qtvbench::TimePerCall(
            [&] {
                _splitpath(path, drive, dir, name, ext);
                _makepath(out, drive, dir, "renamed", ext);
                g_sink = g_sink + static_cast<unsigned char>(out[0]);
            },
            kBatch);
        double split = qtvbench::TimePerCall(
            [&] {
                _splitpath(path, drive, dir, name, ext);
                g_sink = g_sink + static_cast<unsigned char>(name[0]);
            },
            kBatch);

        CPathName p(path);
        double setter = qtvbench::TimePerCall([&] { g_sink = g_sink + *static_cast<const char*>(p.Name("renamed")); },
                                              kBatch);
        CPathName q;
        double pathName = qtvbench::TimePerCall([&] { g_sink = g_sink + *static_cast<const char*>(q.PathName(path)); },
                                                kBatch);
        CPathName r(path);
        double getter = qtvbench::TimePerCall([&] { g_sink = g_sink + r.Name().GetLength(); }, kBatch);

        qtvbench::Report("  Name(text) vs _splitpath + _makepath", setter, pair, "<= 3");
        qtvbench::Report("  PathName(text) vs _splitpath + _makepath", pathName, pair, "<= 3");
        qtvbench::Report("  Name() vs _splitpath", getter, split, "none");
    }
    return 0;
}
