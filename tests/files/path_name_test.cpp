#include "qtvutils/files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

std::string Text(const CPathName& p) { return static_cast<const char*>(p); }

TEST(PathNameTest, GettersSplitTheStoredText) {
    struct Row {
        const char* given;
        const char* stored;
        const char* drive;
        const char* dir;
        const char* name;
        const char* ext;
    } rows[] = {
        {"C:\\dir\\file.txt", "C:\\dir\\file.txt", "C:", "\\dir\\", "file", ".txt"},
        {"  C:\\x\\ a.b", "C:\\x\\a.b", "C:", "\\x\\", "a", ".b"},
        {"\t\tfile", "file", "", "", "file", ""},
        {"C: \\x", "C:\\x", "C:", "\\", "x", ""},
        {"a.b ", "a.b ", "", "", "a", ".b "},
        {"C:\\\\x\\\\\\y.z", "C:\\x\\y.z", "C:", "\\x\\", "y", ".z"},
        {"\\\\server\\share\\f", "\\server\\share\\f", "", "\\server\\share\\", "f", ""},
        {"C:/x/y.z", "C:/x/y.z", "C:", "/x/", "y", ".z"},
        {"x/y\\z", "x/y\\z", "", "x/y\\", "z", ""},
        {"a.tar.gz", "a.tar.gz", "", "", "a.tar", ".gz"},
        {"C:\\dir.old\\readme", "C:\\dir.old\\readme", "C:", "\\dir.old\\", "readme", ""},
        {"a..b", "a..b", "", "", "a.", ".b"},
        {"file.", "file.", "", "", "file", "."},
        {".profile", ".profile", "", "", "", ".profile"},
        {"dir\\", "dir\\", "", "dir\\", "", ""},
        {"C:", "C:", "C:", "", "", ""},
        {"1:x", "1:x", "1:", "", "x", ""},
        {":x", ":x", "", "", ":x", ""},
        {"", "", "", "", "", ""},
        {nullptr, "", "", "", "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string("given [") + (r.given ? r.given : "null") + "]");
        const CPathName p(r.given);
        EXPECT_EQ(r.stored, Text(p));
        EXPECT_STREQ(r.drive, p.Drive());
        EXPECT_STREQ(r.dir, p.Directory());
        EXPECT_STREQ(r.name, p.Name());
        EXPECT_STREQ(r.ext, p.Extension());
        EXPECT_EQ(std::string(r.drive) + r.dir, static_cast<const char*>(p.Path()));
        EXPECT_EQ(std::string(r.name) + r.ext, static_cast<const char*>(p.FileName()));
        EXPECT_EQ(r.drive[0], p.DriveChar());
        const char* stored = p;
        EXPECT_EQ(strlen(r.drive) + strlen(r.dir), static_cast<size_t>(p.LPFileName() - stored));
        EXPECT_EQ(strlen(r.drive) + strlen(r.dir) + strlen(r.name), static_cast<size_t>(p.LPExtension() - stored));
        EXPECT_STREQ(r.ext, p.LPExtension());
        EXPECT_EQ(Text(p), Text(p));  // getters left the object alone
    }
}

TEST(PathNameTest, SettersReplaceOnePartAndNormalise) {
    struct Row {
        const char* start;
        const char* what;
        std::function<void(CPathName&)> change;
        const char* stored;
    } rows[] = {
        {"C:\\x\\y.z", "Drive('d')", [](CPathName& p) { p.Drive('d'); }, "d:\\x\\y.z"},
        {"C:\\x\\y.z", "Drive(\"\")", [](CPathName& p) { p.Drive(""); }, "\\x\\y.z"},
        {"C:\\x\\y.z", "Drive(null)", [](CPathName& p) { p.Drive(nullptr); }, "\\x\\y.z"},
        {"C:\\x\\y.z", "Drive(\"Q\")", [](CPathName& p) { p.Drive("Q"); }, "Q:\\x\\y.z"},
        {"C:\\x\\y.z", "Drive(\"Qrs\")", [](CPathName& p) { p.Drive("Qrs"); }, "Q:\\x\\y.z"},
        {"x\\y.z", "Drive(\" \\tq:\")", [](CPathName& p) { p.Drive(" \tq:"); }, "q:x\\y.z"},
        {"C:\\f.txt", "Directory(\"sub\")", [](CPathName& p) { p.Directory("sub"); }, "C:sub\\f.txt"},
        {"C:\\f.txt", "Directory(\"a/b/\")", [](CPathName& p) { p.Directory("a/b/"); }, "C:a/b/f.txt"},
        {"C:\\f.txt", "Directory(\"\\\\\\\\a\\\\\\\\\")", [](CPathName& p) { p.Directory("\\\\a\\\\"); },
         "C:\\a\\f.txt"},
        {"C:\\d\\f.txt", "Directory(\"\")", [](CPathName& p) { p.Directory(""); }, "C:f.txt"},
        {"D:\\a\\f.e", "Path(\"C:\\dir\")", [](CPathName& p) { p.Path("C:\\dir"); }, "C:\\f.e"},
        {"D:\\a\\f.e", "Path(\"C:\\dir\\\")", [](CPathName& p) { p.Path("C:\\dir\\"); }, "C:\\dir\\f.e"},
        {"D:\\a\\f.e", "Path(\"\")", [](CPathName& p) { p.Path(""); }, "f.e"},
        {"C:\\d\\f.e", "FileName(\"x\\y.txt\")", [](CPathName& p) { p.FileName("x\\y.txt"); }, "C:\\d\\y.txt"},
        {"C:\\d\\f.e", "FileName(\"\")", [](CPathName& p) { p.FileName(""); }, "C:\\d\\"},
        {"C:\\d\\f.e", "FileName(\" g\")", [](CPathName& p) { p.FileName(" g"); }, "C:\\d\\g"},
        {"x.doc", "Extension(\"txt\")", [](CPathName& p) { p.Extension("txt"); }, "x.txt"},
        {"x.doc", "Extension(\".txt\")", [](CPathName& p) { p.Extension(".txt"); }, "x.txt"},
        {"x.doc", "Extension(\"\")", [](CPathName& p) { p.Extension(""); }, "x"},
        {"x.txt", "Name(\"a.b\")", [](CPathName& p) { p.Name("a.b"); }, "a.b.txt"},
        {"C:\\d\\f.e", "Name(\"\")", [](CPathName& p) { p.Name(""); }, "C:\\d\\.e"},
        {"C:\\d\\f.e", "PathName(null)", [](CPathName& p) { p.PathName(nullptr); }, ""},
        {"", "chained", [](CPathName& p) { p.Drive('E').Directory("w").Name(" n").Extension("e"); }, "E:w\\n.e"},
        // An argument that points into the object's own text.
        {"C:\\d\\f.e", "Name(LPFileName())", [](CPathName& p) { p.Name(p.LPFileName()); }, "C:\\d\\f.e.e"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.start) + " . " + r.what);
        CPathName p(r.start);
        r.change(p);
        EXPECT_EQ(r.stored, Text(p));
    }
    CPathName p("C:\\x\\y.z");
    EXPECT_EQ('d', p.Drive('d').DriveChar());
}

TEST(PathNameTest, DirectoryAndFileReadingsAndParents) {
    struct Row {
        const char* start;
        const char* forcedDirectory;
        const char* forcedFile;
        const char* parent;
    } rows[] = {
        {"C:\\a\\b.txt", "C:\\a\\b.txt\\", "C:\\a\\b.txt", "C:\\a\\"},
        {"C:\\a\\b\\c.txt", "C:\\a\\b\\c.txt\\", "C:\\a\\b\\c.txt", "C:\\a\\b\\"},
        {"C:\\a\\b\\", "C:\\a\\b\\", "C:\\a\\b", "C:\\a\\"},
        {"C:\\a\\", "C:\\a\\", "C:\\a", "C:\\"},
        {"C:\\", "C:\\", "C:\\", "C:\\"},
        {"\\", "\\", "\\", "\\"},
        {"C:", "C:", "C:", "C:"},
        {"C:\\a\\b/", "C:\\a\\b/", "C:\\a\\b/", "C:\\a\\b/"},
        {"b", "b\\", "b", ""},
        {"b\\", "b\\", "b", ""},
        {"a.txt", "a.txt\\", "a.txt", ""},
        {"", "", "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.start);
        CPathName p(r.start);
        EXPECT_EQ(r.parent, std::string(p.Parent()));
        EXPECT_EQ(r.start, Text(p));  // Parent leaves the object alone
        EXPECT_EQ(r.forcedDirectory, Text(CPathName(r.start).ForceDirectory()));
        EXPECT_EQ(r.forcedFile, Text(CPathName(r.start).ForceFile()));
        EXPECT_EQ(r.parent, Text(p.ToParent()));
    }
    CPathName walk("C:\\a\\b\\c.txt");
    std::string seen;
    for (int i = 0; i < 4; ++i) seen += Text(walk.ToParent()) + " ";
    EXPECT_EQ("C:\\a\\b\\ C:\\a\\ C:\\ C:\\ ", seen);
}

// Every part of an over-long text is cut at its limit: 255 characters for
// directory, name and extension, 259 for a composed path.
TEST(PathNameTest, OverLongTextsAreCutAtTheLimits) {
    const std::string n300(300, 'n'), d300(300, 'd'), x300(300, 'x');
    struct Row {
        const char* what;
        std::function<void(CPathName&)> change;
        std::string stored;
    } rows[] = {
        {"long name", [&](CPathName& p) { p.PathName((n300 + ".e").c_str()); }, std::string(255, 'n') + ".e"},
        {"long extension", [&](CPathName& p) { p.PathName(("f." + x300).c_str()); }, "f." + std::string(254, 'x')},
        {"long directory", [&](CPathName& p) { p.PathName((d300 + "\\f").c_str()); },
         std::string(255, 'd') + "\\f"},
        {"composed beyond 259", [&](CPathName& p) { p.Directory(std::string(500, 'd').c_str()); },
         std::string(259, 'd')},
        {"directory forced beyond 259", [&](CPathName& p) { p.Directory(std::string(200, 'd').c_str()).Name(n300.c_str()).ForceDirectory(); },
         std::string(200, 'd') + "\\" + std::string(58, 'n')},
        {"backslashes only", [&](CPathName& p) { p.PathName(std::string(10000, '\\').c_str()); }, "\\"},
        {"blanks only", [&](CPathName& p) { p.PathName(std::string(10000, ' ').c_str()); }, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        CPathName p("f.txt");
        r.change(p);
        EXPECT_EQ(r.stored, Text(p));
    }

    // The name's pointer lands on the name even when the directory before it
    // is longer than a directory's area.
    CPathName p("f");
    p.Directory(std::string(257, 'd').c_str());
    ASSERT_EQ(259u, strlen(p));
    EXPECT_STREQ("f", p.LPFileName());
    EXPECT_STREQ("f", p.Name());
    EXPECT_EQ(255, p.Directory().GetLength());
}

TEST(PathNameTest, SettersAcceptTenThousandCharacterTexts) {
    std::string mixed;
    while (mixed.size() < 10000) mixed += "C:\\\\ab. /";
    const std::string texts[] = {std::string(10000, 'a'), std::string(10000, '.'), std::string(10000, ':'),
                                 std::string(10000, '/'), mixed};
    const std::function<void(CPathName&, const char*)> setters[] = {
        [](CPathName& p, const char* t) { p.PathName(t); },  [](CPathName& p, const char* t) { p.Path(t); },
        [](CPathName& p, const char* t) { p.FileName(t); },  [](CPathName& p, const char* t) { p.Drive(t); },
        [](CPathName& p, const char* t) { p.Directory(t); }, [](CPathName& p, const char* t) { p.Name(t); },
        [](CPathName& p, const char* t) { p.Extension(t); },
    };
    for (const std::string& text : texts) {
        for (size_t i = 0; i < sizeof setters / sizeof setters[0]; ++i) {
            SCOPED_TRACE("setter " + std::to_string(i) + " text starting [" + text.substr(0, 12) + "]");
            CPathName p("C:\\dir\\file.txt");
            setters[i](p, text.c_str());
            EXPECT_LE(strlen(p), 259u);
            EXPECT_EQ(nullptr, strstr(p, "\\\\"));
            p.ForceDirectory();
            EXPECT_LE(strlen(p), 259u);
            p.ToParent();
            EXPECT_LE(strlen(p), 259u);
        }
    }
}

// Texts made of every byte value (1 to 255, rotated so that separators,
// dots, colons and blanks fall everywhere): the stored text is normalised,
// its four parts put together give it back, and setting it again changes
// nothing.
TEST(PathNameTest, ArbitraryBytesSplitIntoPartsThatRebuildTheText) {
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
    for (size_t shift = 0; shift < bytes.size(); ++shift) {
        std::string text = bytes.substr(shift) + bytes.substr(0, shift);
        SCOPED_TRACE("rotated by " + std::to_string(shift));
        CPathName p(text.c_str());
        std::string stored = Text(p);
        ASSERT_LE(stored.size(), 259u);
        EXPECT_EQ(std::string::npos, stored.find("\\\\"));
        EXPECT_TRUE(stored.empty() || (stored[0] != ' ' && stored[0] != '\t'));
        CString parts = p.Drive() + p.Directory() + p.Name() + p.Extension();
        EXPECT_EQ(stored, static_cast<const char*>(parts));
        EXPECT_EQ(stored, Text(CPathName(stored.c_str())));
    }
}

}  // namespace
