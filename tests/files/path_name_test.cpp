#include "qtvutils/files.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

std::string S(const char* text) { return text; }

// drive|directory|name|extension (d, r, n, e), once the getters are seen to
// agree with one another and with the stored text.
std::string Parts(const CPathName& p) {
    SCOPED_TRACE(S(p));
    const std::string d = S(p.Drive()), r = S(p.Directory()), n = S(p.Name()), e = S(p.Extension());
    EXPECT_EQ(d + r + n + e + d[0], S(p) + p.DriveChar());  // the stored text, then the drive letter or 0
    EXPECT_EQ(d + r + "|" + n + e + "|" + e, S(p.Path()) + "|" + S(p.FileName()) + "|" + S(p.LPExtension()));
    return d + "|" + r + "|" + n + "|" + e;
}

TEST(PathNameTest, GettersSplitTheStoredText) {
    // parts: drive|directory|name|extension; the stored text is them joined.
    const struct { const char *given, *parts; } rows[] = {
        {"C:\\dir\\file.txt", "C:|\\dir\\|file|.txt"},  {"  C:\\x\\ a.b", "C:|\\x\\|a|.b"},  // blanks dropped before
        {"\t\tC: \\x", "C:|\\|x|"},                     {"a.b ", "||a|.b "},                 // ... each part only
        {"C:\\\\x\\\\\\y.z", "C:|\\x\\|y|.z"},          {"\\\\server\\share\\f", "|\\server\\share\\|f|"},
        {"C:/x//y.z", "C:|/x//|y|.z"},                  {"x/y\\z", "|x/y\\|z|"},             // forward slashes stay
        {"a.tar.gz", "||a.tar|.gz"},                    {"C:\\dir.old\\readme", "C:|\\dir.old\\|readme|"},
        {"file.", "||file|."},                          {".profile", "|||.profile"},
        {"dir\\", "|dir\\||"},                          {"C:", "C:|||"},
        {"", "|||"},                                    {nullptr, "|||"},
    };
    for (const auto& r : rows) EXPECT_EQ(r.parts, Parts(CPathName(r.given))) << (r.given ? r.given : "null");
}

// Applies one change: P PathName, p Path, F FileName, D Drive, r Directory,
// N Name, E Extension, a Name(the object's own file name), f ForceDirectory,
// i ForceFile, t ToParent.
CPathName& Apply(CPathName& path, char op, const char* arg) {
    const std::map<char, CPathName& (CPathName::*)(const char*)> sets = {
        {'P', &CPathName::PathName}, {'p', &CPathName::Path}, {'F', &CPathName::FileName}, {'D', &CPathName::Drive},
        {'r', &CPathName::Directory}, {'N', &CPathName::Name}, {'E', &CPathName::Extension}};
    const std::map<char, CPathName& (CPathName::*)()> reads = {
        {'f', &CPathName::ForceDirectory}, {'i', &CPathName::ForceFile}, {'t', &CPathName::ToParent}};
    if (op == 'a') return path.Name(path.LPFileName());
    return sets.count(op) ? (path.*sets.at(op))(arg) : (path.*reads.at(op))();
}

// Directory, name and extension are cut at 255 characters when split, a
// composed path at 259, whatever the input's length. The file name begins
// after the last separator even where the directory was too long to split.
TEST(PathNameTest, SettersAndReadingsReplaceOnePartNormaliseAndCut) {
    const std::string n(300, 'n'), d(300, 'd');
    const struct { const char* start; char op; std::string arg, stored; } rows[] = {
        {"C:\\x\\y.z", 'D', "", "\\x\\y.z"},             {"C:\\x\\y.z", 'D', "Qrs", "Q:\\x\\y.z"},
        {"x\\y.z", 'D', " \tq:", "q:x\\y.z"},            {"C:\\f.txt", 'r', "sub", "C:sub\\f.txt"},
        {"C:\\f.txt", 'r', "a/b/", "C:a/b/f.txt"},       {"C:\\d\\f.txt", 'r', "", "C:f.txt"},
        {"D:\\a\\f.e", 'p', "C:\\dir", "C:\\f.e"},       {"D:\\a\\f.e", 'p', "", "f.e"},
        {"C:\\d\\f.e", 'F', "x\\y.txt", "C:\\d\\y.txt"}, {"C:\\d\\f.e", 'F', "", "C:\\d\\"},
        {"x.doc", 'E', "txt", "x.txt"},                  {"x.doc", 'E', ".txt", "x.txt"},
        {"x.doc", 'E', "", "x"},                         {"x.txt", 'N', "a.b", "a.b.txt"},
        {"C:\\d\\f.e", 'N', "", "C:\\d\\.e"},            {"d:w\\n.e", 'a', "", "d:w\\n.e.e"},  // its own text
        {"f", 'P', n + ".e", std::string(255, 'n') + ".e"},     {"f", 'P', "f." + n, "f." + std::string(254, 'n')},
        {"f", 'P', d + "\\f", std::string(255, 'd') + "\\f"},  {"f", 'r', d + d, std::string(259, 'd')},
        {"f", 'P', std::string(10000, '\\'), "\\"},             {"f", 'P', std::string(10000, ' '), ""},
        {"f", 'r', std::string(257, 'd'), std::string(257, 'd') + "\\f"},
        // Reading the text as a directory (f), as a file (i), and its parent (t).
        {"C:\\a\\b.txt", 'f', "", "C:\\a\\b.txt\\"},     {"C:\\a\\b.txt", 'i', "", "C:\\a\\b.txt"},
        {"C:\\a\\b.txt", 't', "", "C:\\a\\"},            {"C:\\a\\.x", 'i', "", "C:\\a\\.x"},
        {"C:\\a\\b\\", 'f', "", "C:\\a\\b\\"},           {"C:\\a\\b\\", 'i', "", "C:\\a\\b"},
        {"C:\\a\\b\\", 't', "", "C:\\a\\"},              {"C:\\", 't', "", "C:\\"},
        {"\\", 'i', "", "\\"},                           {"C:", 't', "", "C:"},
        {"b", 'f', "", "b\\"},                           {"b", 't', "", ""},
        {"b\\", 't', "", ""},                            {"C:\\a\\b/", 't', "", "C:\\a\\b/"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.start) + " " + r.op + " " + r.arg.substr(0, 20));
        CPathName p(r.start);
        EXPECT_EQ(r.stored, S(Apply(p, r.op, r.arg.c_str())));
        EXPECT_EQ(r.stored.substr(r.stored.find_last_of("\\/:") + 1), S(p.LPFileName()));
        EXPECT_TRUE(r.op != 't' || S(CPathName(r.start).Parent()) == r.stored);  // the same, as a copy
    }
}


// Each test runs in a fresh directory under the temporary folder, made the
// current directory and holding the files both tests look for; afterwards the
// old one is current again and the new one is removed with all it holds.
struct PathSearchTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::create_directory(m_dir));  // not one an earlier run left
        std::filesystem::current_path(m_dir);
        // The file's name with a folder, or letters, before it.
        for (const std::string before :
             {"caf\xe9", "nowhere\\", "app\\", "app\\data\\", "app\\images\\", "app\\beyond\\", "", "app"}) {
            std::filesystem::create_directories(m_dir + before.substr(0, before.find_last_of('\\') + 1));
            ASSERT_TRUE(std::ofstream(m_dir + before + m_file)) << before;
        }
    }
    void TearDown() override {
        std::filesystem::current_path(m_oldDirectory);
        std::filesystem::remove_all(m_dir);
    }

    const std::string m_dir = (std::filesystem::temp_directory_path() / qtvtest::UniqueName("search")).string() + "\\";
    const std::string m_file = qtvtest::UniqueName("find") + ".dat";  // nowhere else on the search path
    const std::filesystem::path m_oldDirectory = std::filesystem::current_path();
};

// OpenFile's record holds 127 characters: a path that does not fit once
// qualified (a directory with the temporary "*.*") fails and keeps its text.
// The record comes in the file functions' code page (OEM once the process
// switched them); the path stored is ANSI either way.
TEST_F(PathSearchTest, FullPathAndSearchStoreTheAnsiPathFoundOrKeepTheirs) {
    const std::string ansi = "caf\xe9" + m_file, oem = "caf\x82" + m_file;  // e acute in 1252 and in 437
    const auto fullPath = &CPathName::FullPath, search = &CPathName::Search;
    // stored: the path found, or empty where the call gives 0 and keeps the path.
    const struct { std::string given; BOOL (CPathName::*call)(); bool oem; std::string stored; } rows[] = {
        {ansi, fullPath, false, m_dir + ansi},  {oem, fullPath, true, m_dir + ansi},
        {"sub\\", fullPath, false, m_dir + "sub\\"},  {"C:", fullPath, false, m_dir},
        {"C:\\" + std::string(123, 'd') + "\\", fullPath, false, ""},
        {std::string(128 - m_dir.size() + 1, 'r'), fullPath, false, ""},  // 129 once qualified
        // Search looks for the name alone, along the platform's search path.
        {"C:\\nowhere\\" + ansi, search, false, m_dir + ansi},  {"C:\\nowhere\\" + oem, search, true, m_dir + ansi},
        {"C:\\nowhere\\missing.zzq", search, false, ""},  {"C:\\nowhere\\", search, false, ""},
    };
    for (const auto& r : rows) {
        CPathName p(r.given.c_str());
        if (r.oem) SetFileApisToOEM();
        const BOOL result = (p.*r.call)();
        SetFileApisToANSI();
        EXPECT_EQ(std::make_pair(!r.stored.empty(), r.stored.empty() ? r.given : r.stored),
                  std::make_pair(result != 0, std::string(p))) << r.given;
    }
}

// The file lies in every place. One path object looks for it again and again;
// what it found as given, under the search path or by the platform's search is
// removed afterwards, so each row shows the next place in the order. The list
// entry after the list's end would find the file if it were read.
TEST_F(PathSearchTest, FindFileTriesEachPlaceInOrderAndWalksTheListOnce) {
    const std::string given = "nowhere\\" + m_file, none;
    const char* list[] = {"data", "images", nullptr, "beyond"};
    // found: the place, or empty where FindFile gives 0 and keeps the path;
    // search: the search path set first, below the test's directory (null:
    // none); remove: the file found is removed.
    const struct { std::string path, found; const char* search; bool remove; } rows[] = {
        // Nothing to look for: the list is not touched. Then the path as given, the search path and the file name.
        {"", none, "app\\", false},  {given, given, nullptr, true},  {given, "app\\" + m_file, nullptr, true},
        // Each list entry under the search path, the next walk going on after
        // the last match; the platform's search.
        {given, "app\\data\\" + m_file, nullptr, false},  {given, "app\\images\\" + m_file, nullptr, false},
        {given, m_file, nullptr, true},
        // The list has run out until it is set again; the search path is
        // joined as it stands, without a separator.
        {given, none, nullptr, false},  {given, "app\\data\\" + m_file, "app\\", false},
        {given, "app" + m_file, "app", false},
    };
    CPathName p;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.found);
        EXPECT_TRUE(!r.search || p.SetSearchPath((m_dir + r.search).c_str(), list) == 1);
        EXPECT_EQ(!r.found.empty(), p.PathName(r.path.c_str()).FindFile() != 0);
        EXPECT_EQ(r.found.empty() ? r.path : m_dir + r.found, std::string(p));
        if (r.remove) DeleteFileA((m_dir + r.found).c_str());
    }
}

}  // namespace
