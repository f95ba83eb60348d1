#include "qtvutils/files.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string S(const char* text) { return text; }

// Each test runs in a fresh directory under the temporary folder, made the
// current directory; the old one is restored and what the test made is
// removed, newest first.
class PathSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(MAX_PATH, m_szOldDirectory);
        // A name nothing has yet (not even what an interrupted run left):
        // the platform makes it as a file, which becomes a folder.
        char temp[MAX_PATH], name[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        ASSERT_NE(0u, GetTempFileNameA(temp, "qtv", 0, name));
        m_dir = name;
        ASSERT_TRUE(DeleteFileA(name) && CreateDirectoryA(name, nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(m_dir.c_str()));
    }
    void TearDown() override {
        SetCurrentDirectoryA(m_szOldDirectory);
        m_made.insert(m_made.begin(), m_dir);
        for (auto it = m_made.rbegin(); it != m_made.rend(); ++it) DeleteFileA(it->c_str()) || RemoveDirectoryA(it->c_str());
    }

    // The full path of a name relative to the test's directory.
    std::string Full(const std::string& relative) const { return m_dir + "\\" + relative; }
    void Make(const std::string& relative) {  // a directory when it ends in '\', else an empty file
        m_made.push_back(Full(relative));
        if (relative.back() == '\\') {
            ASSERT_TRUE(CreateDirectoryA(m_made.back().c_str(), nullptr)) << relative;
        } else if (FILE* f = fopen(m_made.back().c_str(), "w")) {
            fclose(f);
        }
    }

    std::string m_dir;
    const std::string m_file = qtvtest::UniqueName("find") + ".dat";  // nowhere else on the search path
    std::vector<std::string> m_made;
    char m_szOldDirectory[MAX_PATH];
};

// OpenFile's record holds 127 characters: a path that does not fit once
// qualified (a directory with the temporary "*.*") fails and keeps its text.
TEST_F(PathSearchTest, FullPathQualifiesAgainstTheCurrentDirectoryWithinTheRecord) {
    struct Row {
        std::string given;
        BOOL parsed;
        std::string stored;
    } rows[] = {
        {"a.txt", 1, Full("a.txt")},       {"sub\\", 1, Full("sub\\")},  {"sub\\..\\b.txt", 1, Full("b.txt")},
        {"sub/c.txt", 1, Full("sub\\c.txt")}, {"", 1, Full("")},        {"C:", 1, Full("")},
        {"C:\\" + std::string(123, 'd') + "\\", 0, "C:\\" + std::string(123, 'd') + "\\"},
        {std::string(128 - m_dir.size(), 'r'), 0, std::string(128 - m_dir.size(), 'r')},  // 129 once qualified
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.given);
        CPathName p(r.given.c_str());
        EXPECT_EQ(r.parsed, p.FullPath());
        EXPECT_EQ(r.stored, S(p));
    }
}

TEST_F(PathSearchTest, SearchLooksForTheFileNameAlongThePlatformSearchPath) {
    Make(m_file);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string rows[][3] = {
        {"C:\\nowhere\\" + m_file, "1", Full(m_file)},
        {"Q:\\nowhere\\kernel32.dll", "1", S(system) + "\\kernel32.dll"},
        {"C:\\nowhere\\missing.zzq", "0", "C:\\nowhere\\missing.zzq"},
        {"C:\\nowhere\\", "0", "C:\\nowhere\\"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r[0]);
        CPathName p(r[0].c_str());
        EXPECT_EQ(r[1] == "1", p.Search() != 0);
        EXPECT_EQ(r[2], S(p));
    }
}

// The file exists in every place; after each find it is removed from the
// place that won, so the next find shows the next place in the order.
TEST_F(PathSearchTest, FindFileTriesEachPlaceInOrderAndChangesNothingWhenAllFail) {
    for (const char* dir : {"nowhere\\", "app\\", "app\\data\\", "app\\images\\"}) Make(dir);
    const std::string given = "nowhere\\" + m_file;
    const std::string places[] = {given, "app\\" + m_file, "app\\data\\" + m_file, "app\\images\\" + m_file, m_file};
    for (const std::string& place : places) Make(place);
    const char* list[] = {"data", "images", nullptr};
    for (const std::string& place : places) {
        SCOPED_TRACE(place);
        CPathName p(given.c_str());
        p.SetSearchPath((m_dir + "\\app\\").c_str(), list);
        EXPECT_EQ(1, p.FindFile());
        EXPECT_EQ(Full(place), S(p));
        DeleteFileA(Full(place).c_str());
    }
    // Found nowhere: the path stays exactly as it was.
    for (const std::string& text : {given, std::string(10000, 'L'), "C:\\" + std::string(300, 'd')}) {
        CPathName p(text.c_str());
        const std::string before = S(p);
        p.SetSearchPath((m_dir + "\\app\\").c_str(), list);
        EXPECT_EQ(0, p.FindFile());
        EXPECT_EQ(before, S(p));
    }
    CPathName p(given.c_str());

    Make("app" + m_file);  // the search path is joined as it stands
    p.SetSearchPath((m_dir + "\\app").c_str(), nullptr);
    EXPECT_EQ(1, p.FindFile());
    EXPECT_EQ(Full("app" + m_file), S(p));
}

// The list is walked once per SetSearchPath, going on after the entry that
// matched; the entry after its end would find the file if it were read. A
// find that stops before the list (an empty path, a file found as given)
// does not move the position.
TEST_F(PathSearchTest, ListPositionMovesOnOnlyAlongTheList) {
    for (const char* dir : {"app\\", "app\\data\\", "app\\images\\", "app\\beyond\\"}) Make(dir);
    for (const char* dir : {"app\\data\\", "app\\images\\", "app\\beyond\\", ""}) Make(dir + m_file);
    const char* storage[] = {"data", "images", nullptr, "beyond"};
    const std::string given = "nowhere\\" + m_file;
    CPathName p;
    p.SetSearchPath((m_dir + "\\app\\").c_str(), storage);
    EXPECT_EQ(0, p.FindFile());
    EXPECT_EQ("", S(p));
    EXPECT_EQ(1, p.PathName(m_file.c_str()).FindFile());
    EXPECT_EQ(Full(m_file), S(p));
    DeleteFileA(Full(m_file).c_str());

    for (const char* dir : {"app\\data\\", "app\\images\\", "", ""}) {
        SCOPED_TRACE(dir);
        EXPECT_EQ(*dir ? 1 : 0, p.PathName(given.c_str()).FindFile());
        EXPECT_EQ(*dir ? Full(dir + m_file) : given, S(p));
    }
    p.SetSearchPath((m_dir + "\\app\\").c_str(), storage);
    EXPECT_EQ(1, p.PathName(given.c_str()).FindFile());
    EXPECT_EQ(Full("app\\data\\" + m_file), S(p));
}

// OpenFile writes its record in the file functions' code page: ANSI unless
// the process switched them to OEM. Either way the stored path is ANSI.
TEST_F(PathSearchTest, FoundPathsAreAnsiWhateverTheFileFunctionsCodePage) {
    const std::string ansi = "caf\xe9" + m_file, oem = "caf\x82" + m_file;  // e acute in 1252 and in 437
    Make(ansi);
    CPathName p(ansi.c_str()), q(oem.c_str()), r(("C:\\nowhere\\" + oem).c_str());
    EXPECT_EQ(1, p.FullPath());
    EXPECT_EQ(Full(ansi), S(p));
    EXPECT_EQ(1, p.PathName(("nowhere\\" + ansi).c_str()).FindFile());
    EXPECT_EQ(Full(ansi), S(p));
    SetFileApisToOEM();
    const BOOL parsed = q.FullPath(), searched = r.Search();
    SetFileApisToANSI();
    EXPECT_EQ(1, parsed);
    EXPECT_EQ(Full(ansi), S(q));
    EXPECT_EQ(1, searched);
    EXPECT_EQ(Full(ansi), S(r));
}

}  // namespace
