#include "qtvutils/files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string S(const char* text) { return text; }

// Applies one change: P PathName, p Path, F FileName, D Drive(text),
// d Drive(first character), r Directory, N Name, E Extension,
// f ForceDirectory, i ForceFile, t ToParent.
CPathName& Apply(CPathName& path, char op, const char* arg) {
    switch (op) {
        case 'P': return path.PathName(arg);
        case 'p': return path.Path(arg);
        case 'F': return path.FileName(arg);
        case 'D': return path.Drive(arg);
        case 'd': return path.Drive(arg[0]);
        case 'r': return path.Directory(arg);
        case 'N': return path.Name(arg);
        case 'E': return path.Extension(arg);
        case 'f': return path.ForceDirectory();
        case 'i': return path.ForceFile();
        default: return path.ToParent();
    }
}

TEST(PathNameTest, GettersSplitTheStoredText) {
    struct Row {
        const char *given, *stored, *parts;  // drive|directory|name|extension
    } rows[] = {
        {"C:\\dir\\file.txt", "C:\\dir\\file.txt", "C:|\\dir\\|file|.txt"},
        {"  C:\\x\\ a.b", "C:\\x\\a.b", "C:|\\x\\|a|.b"},  // blanks dropped before each part
        {"\t\tC: \\x", "C:\\x", "C:|\\|x|"},                {"a.b ", "a.b ", "||a|.b "},
        {"C:\\\\x\\\\\\y.z", "C:\\x\\y.z", "C:|\\x\\|y|.z"},  // backslash runs collapse
        {"\\\\server\\share\\f", "\\server\\share\\f", "|\\server\\share\\|f|"},
        {"C:/x//y.z", "C:/x//y.z", "C:|/x//|y|.z"},          // forward slashes stay
        {"x/y\\z", "x/y\\z", "|x/y\\|z|"},                   {"a.tar.gz", "a.tar.gz", "||a.tar|.gz"},
        {"C:\\dir.old\\readme", "C:\\dir.old\\readme", "C:|\\dir.old\\|readme|"},
        {"file.", "file.", "||file|."},                      {".profile", ".profile", "|||.profile"},
        {"dir\\", "dir\\", "|dir\\||"},                      {"C:", "C:", "C:|||"},
        {"1:x", "1:x", "1:||x|"},                            {":x", ":x", "||:x|"},
        {"", "", "|||"},                                     {nullptr, "", "|||"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.given ? r.given : "null");
        const CPathName p(r.given);
        EXPECT_EQ(r.stored, S(p));
        EXPECT_EQ(r.parts, S(p.Drive()) + "|" + S(p.Directory()) + "|" + S(p.Name()) + "|" + S(p.Extension()));
        EXPECT_EQ(S(p.Drive()) + S(p.Directory()), S(p.Path()));
        EXPECT_EQ(S(p.Name()) + S(p.Extension()), S(p.FileName()));
        EXPECT_EQ(r.parts[0] == '|' ? 0 : r.parts[0], p.DriveChar());
        EXPECT_EQ(static_cast<const char*>(p) + p.Path().GetLength(), p.LPFileName());  // into the text
        EXPECT_EQ(p.LPFileName() + p.Name().GetLength(), p.LPExtension());
        EXPECT_STREQ(p.Extension(), p.LPExtension());
    }
}

TEST(PathNameTest, SettersAndReadingsReplaceOnePartAndNormalise) {
    struct Row {
        const char* start;
        char op;
        const char *arg, *stored;
    } rows[] = {
        {"C:\\x\\y.z", 'd', "d", "d:\\x\\y.z"},     {"C:\\x\\y.z", 'D', "", "\\x\\y.z"},
        {"C:\\x\\y.z", 'D', "Q", "Q:\\x\\y.z"},     {"C:\\x\\y.z", 'D', "Qrs", "Q:\\x\\y.z"},
        {"x\\y.z", 'D', " \tq:", "q:x\\y.z"},       {"C:\\f.txt", 'r', "sub", "C:sub\\f.txt"},
        {"C:\\f.txt", 'r', "a/b/", "C:a/b/f.txt"},  {"C:\\f.txt", 'r', "\\\\a\\\\", "C:\\a\\f.txt"},
        {"C:\\d\\f.txt", 'r', "", "C:f.txt"},       {"D:\\a\\f.e", 'p', "C:\\dir", "C:\\f.e"},
        {"D:\\a\\f.e", 'p', "C:\\dir\\", "C:\\dir\\f.e"}, {"D:\\a\\f.e", 'p', "", "f.e"},
        {"C:\\d\\f.e", 'F', "x\\y.txt", "C:\\d\\y.txt"},  {"C:\\d\\f.e", 'F', "", "C:\\d\\"},
        {"C:\\d\\f.e", 'F', " g", "C:\\d\\g"},      {"x.doc", 'E', "txt", "x.txt"},
        {"x.doc", 'E', ".txt", "x.txt"},            {"x.doc", 'E', "", "x"},
        {"x.txt", 'N', "a.b", "a.b.txt"},           {"C:\\d\\f.e", 'N', "", "C:\\d\\.e"},
        {"C:\\d\\f.e", 'P', nullptr, ""},
        // Reading the text as a directory (f), as a file (i), and its parent (t).
        {"C:\\a\\b.txt", 'f', "", "C:\\a\\b.txt\\"}, {"C:\\a\\b.txt", 'i', "", "C:\\a\\b.txt"},
        {"C:\\a\\b.txt", 't', "", "C:\\a\\"},        {"C:\\a\\b\\", 'f', "", "C:\\a\\b\\"},
        {"C:\\a\\b\\", 'i', "", "C:\\a\\b"},       {"C:\\a\\b\\", 't', "", "C:\\a\\"},
        {"C:\\", 'i', "", "C:\\"},  {"C:\\", 't', "", "C:\\"},  {"\\", 'i', "", "\\"},  {"\\", 't', "", "\\"},
        {"C:", 'f', "", "C:"},      {"C:", 't', "", "C:"},      {"b", 'f', "", "b\\"},  {"b", 't', "", ""},
        {"b\\", 'i', "", "b"},     {"b\\", 't', "", ""},      {"a.txt", 't', "", ""}, {"", 'f', "", ""},
        {"", 'i', "", ""},          {"", 't', "", ""},          {"C:\\a\\b/", 'f', "", "C:\\a\\b/"},
        {"C:\\a\\b/", 'i', "", "C:\\a\\b/"},          {"C:\\a\\b/", 't', "", "C:\\a\\b/"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.start) + " " + r.op + " " + (r.arg ? r.arg : "null"));
        CPathName p(r.start);
        EXPECT_EQ(r.stored, S(Apply(p, r.op, r.arg)));
        if (r.op == 't') {  // Parent gives the same text and leaves the object alone
            const CPathName q(r.start);
            EXPECT_EQ(r.stored, S(q.Parent()));
            EXPECT_EQ(S(CPathName(r.start)), S(q));
        }
    }
    CPathName walk("C:\\a\\b\\c.txt");
    std::string seen;
    for (int i = 0; i < 4; ++i) seen += S(walk.ToParent()) + " ";
    EXPECT_EQ("C:\\a\\b\\ C:\\a\\ C:\\ C:\\ ", seen);
    CPathName p;
    EXPECT_EQ('d', p.Drive('d').Directory("w").Name(" n").Extension("e").DriveChar());
    EXPECT_EQ("d:w\\n.e", S(p));
    EXPECT_EQ("d:w\\n.e.e", S(p.Name(p.LPFileName())));  // an argument inside the object's own text
}

// Directory, name and extension are cut at 255 characters when split, a
// composed path at 259, whatever the input's length.
TEST(PathNameTest, OverLongTextsAreCutAtTheLimits) {
    const std::string n(300, 'n'), d(300, 'd');
    struct Row {
        char op;
        std::string arg, stored;
    } rows[] = {
        {'P', n + ".e", std::string(255, 'n') + ".e"},     {'P', "f." + n, "f." + std::string(254, 'n')},
        {'P', d + "\\f", std::string(255, 'd') + "\\f"},  {'r', d + d, std::string(259, 'd')},
        {'P', std::string(10000, '\\'), "\\"},             {'P', std::string(10000, ' '), ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(1, r.op) + " " + r.arg.substr(0, 20));
        CPathName p("f.txt");
        EXPECT_EQ(r.stored, S(Apply(p, r.op, r.arg.c_str())));
    }
    CPathName p("f");
    p.Directory(std::string(257, 'd').c_str());  // longer than a directory's area once split
    EXPECT_EQ(259u, strlen(p));
    EXPECT_STREQ("f", p.LPFileName());
    EXPECT_EQ("f", S(p.Name()));

    std::string mixed;
    while (mixed.size() < 10000) mixed += "C:\\\\ab. /";
    for (const std::string& text : {std::string(10000, 'a'), std::string(10000, '.'), std::string(10000, ':'), mixed}) {
        for (char op : std::string("PpFDrNEfit")) {
            SCOPED_TRACE(std::string(1, op) + " " + text.substr(0, 12));
            CPathName q("C:\\dir\\file.txt");
            EXPECT_LE(strlen(Apply(q, op, text.c_str()).PathName(text.c_str()).ForceDirectory()), 259u);
            EXPECT_EQ(nullptr, strstr(q, "\\\\"));
        }
    }
}

// Texts of every byte value from 1 to 255, rotated so that separators, dots,
// colons and blanks fall everywhere: the stored text is normalised, its parts
// give it back, and setting it again changes nothing.
TEST(PathNameTest, ArbitraryBytesSplitIntoPartsThatRebuildTheText) {
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
    for (size_t shift = 0; shift < bytes.size(); ++shift) {
        SCOPED_TRACE(shift);
        CPathName p((bytes.substr(shift) + bytes.substr(0, shift)).c_str());
        const std::string stored = S(p);
        EXPECT_EQ(std::string::npos, stored.find("\\\\"));
        EXPECT_TRUE(stored.empty() || (stored[0] != ' ' && stored[0] != '\t'));
        EXPECT_EQ(stored, S(p.Drive()) + S(p.Directory()) + S(p.Name()) + S(p.Extension()));
        EXPECT_EQ(stored, S(CPathName(stored.c_str())));
    }
}

}  // namespace
