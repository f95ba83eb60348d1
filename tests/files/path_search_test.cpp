#include "qtvutils/files.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Text(const CPathName& p) { return static_cast<const char*>(p); }

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = dir + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

// Each test runs in a fresh directory under the temporary folder, made the
// current directory; the old one is restored and the tree removed afterwards.
class PathSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(MAX_PATH, m_szOldDirectory);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_dir = std::string(temp) + qtvtest::UniqueName("paths");
        ASSERT_TRUE(CreateDirectoryA(m_dir.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(m_dir.c_str()));
        m_file = qtvtest::UniqueName("find") + ".dat";
    }
    void TearDown() override {
        SetCurrentDirectoryA(m_szOldDirectory);
        RemoveTree(m_dir);
    }

    // The full path of a name relative to the test's directory.
    std::string Full(const std::string& relative) const { return m_dir + "\\" + relative; }
    void MakeDirectory(const char* relative) { ASSERT_TRUE(CreateDirectoryA(Full(relative).c_str(), nullptr)); }
    void Touch(const std::string& relative) {
        FILE* f = fopen(Full(relative).c_str(), "w");
        ASSERT_NE(nullptr, f) << relative;
        fclose(f);
    }

    std::string m_dir;
    std::string m_file;  // a file name found nowhere else on the search path
    char m_szOldDirectory[MAX_PATH];
};

TEST_F(PathSearchTest, FullPathQualifiesAgainstTheCurrentDirectory) {
    struct Row {
        const char* given;
        const char* relative;  // the result, under the current directory
    } rows[] = {
        {"a.txt", "a.txt"},           {"sub\\", "sub\\"},  {"sub\\..\\b.txt", "b.txt"},
        {"sub/c.txt", "sub\\c.txt"},  {"", ""},            {"C:", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.given);
        CPathName p(r.given);
        EXPECT_EQ(1, p.FullPath());
        EXPECT_EQ(Full(r.relative), Text(p));
    }
}

// OpenFile's record holds 127 characters: a path that does not fit once
// qualified (and, for a directory, given the temporary "*.*") fails and keeps
// its text.
TEST_F(PathSearchTest, FullPathBeyondTheRecordFailsAndKeepsThePath) {
    const std::string rows[] = {
        "C:\\" + std::string(130, 'x') + ".txt",
        "C:\\" + std::string(123, 'd') + "\\",  // 127 characters, 130 with "*.*"
        std::string(124 - m_dir.size(), 'r') + ".txt",  // 129 characters once qualified
    };
    for (const std::string& given : rows) {
        SCOPED_TRACE(given);
        CPathName p(given.c_str());
        EXPECT_EQ(0, p.FullPath());
        EXPECT_EQ(given, Text(p));
    }
}

TEST_F(PathSearchTest, SearchLooksForTheFileNameAlongThePlatformSearchPath) {
    Touch(m_file);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    struct Row {
        std::string given;
        BOOL found;
        std::string stored;
    } rows[] = {
        {"C:\\nowhere\\" + m_file, 1, Full(m_file)},
        {"Q:\\nowhere\\kernel32.dll", 1, std::string(system) + "\\kernel32.dll"},
        {"C:\\nowhere\\missing.zzq", 0, "C:\\nowhere\\missing.zzq"},
        {"C:\\nowhere\\", 0, "C:\\nowhere\\"},
        {"", 0, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.given);
        CPathName p(r.given.c_str());
        EXPECT_EQ(r.found, p.Search());
        EXPECT_EQ(r.stored, Text(p));
    }
}

// The file exists in every place; after each find it is removed from the
// place that won, so the next find shows the next place in the order.
TEST_F(PathSearchTest, FindFileTriesEachPlaceInOrder) {
    MakeDirectory("nowhere");
    MakeDirectory("app");
    MakeDirectory("app\\data");
    MakeDirectory("app\\images");
    const std::string given = "nowhere\\" + m_file;
    const std::string places[] = {
        given,                           // as given, relative to the current directory
        "app\\" + m_file,                // search path + file name
        "app\\data\\" + m_file,          // each list entry in turn
        "app\\images\\" + m_file,
        m_file,                          // the platform's search: the current directory
    };
    for (const std::string& place : places) Touch(place);
    const char* list[] = {"data", "images", nullptr};
    for (const std::string& place : places) {
        SCOPED_TRACE(place);
        CPathName p(given.c_str());
        p.SetSearchPath((m_dir + "\\app\\").c_str(), list);
        EXPECT_EQ(1, p.FindFile());
        EXPECT_EQ(Full(place), Text(p));
        DeleteFileA(Full(place).c_str());
    }
    CPathName p(given.c_str());
    p.SetSearchPath((m_dir + "\\app\\").c_str(), list);
    EXPECT_EQ(0, p.FindFile());
    EXPECT_EQ(given, Text(p));
}

TEST_F(PathSearchTest, SearchPathWithoutFinalBackslashIsJoinedAsItStands) {
    Touch("app" + m_file);
    CPathName p(("nowhere\\" + m_file).c_str());
    p.SetSearchPath((m_dir + "\\app").c_str(), nullptr);
    EXPECT_EQ(1, p.FindFile());
    EXPECT_EQ(Full("app" + m_file), Text(p));
}

// The list is walked once per SetSearchPath. The entry after its end would
// find the file if it were read.
TEST_F(PathSearchTest, ListPositionMovesOnAfterEachMatchAndEndsWithTheList) {
    for (const char* dir : {"app", "app\\data", "app\\images", "app\\beyond"}) MakeDirectory(dir);
    for (const char* dir : {"app\\data\\", "app\\images\\", "app\\beyond\\"}) Touch(dir + m_file);
    const char* storage[] = {"data", "images", nullptr, "beyond"};
    const std::string given = "nowhere\\" + m_file;
    CPathName p(given.c_str());
    p.SetSearchPath((m_dir + "\\app\\").c_str(), storage);

    const char* expected[] = {"app\\data\\", "app\\images\\", nullptr, nullptr};
    for (const char* dir : expected) {
        SCOPED_TRACE(dir ? dir : "ran out");
        p.PathName(given.c_str());
        EXPECT_EQ(dir ? 1 : 0, p.FindFile());
        EXPECT_EQ(dir ? Full(dir + m_file) : given, Text(p));
    }
    p.PathName(given.c_str());
    p.SetSearchPath((m_dir + "\\app\\").c_str(), storage);
    EXPECT_EQ(1, p.FindFile());
    EXPECT_EQ(Full("app\\data\\" + m_file), Text(p));
}

// A find that stops before the list (an empty path, or a file found as
// given) leaves the list position where it was.
TEST_F(PathSearchTest, FindFileBeforeTheListLeavesItsPositionAlone) {
    MakeDirectory("app");
    MakeDirectory("app\\data");
    Touch("app\\data\\" + m_file);
    Touch(m_file);
    const char* list[] = {"data", nullptr};
    CPathName p;
    p.SetSearchPath((m_dir + "\\app\\").c_str(), list);
    EXPECT_EQ(0, p.FindFile());
    EXPECT_EQ("", Text(p));

    p.PathName(m_file.c_str());
    EXPECT_EQ(1, p.FindFile());
    EXPECT_EQ(Full(m_file), Text(p));

    DeleteFileA(Full(m_file).c_str());
    p.PathName(("nowhere\\" + m_file).c_str());
    EXPECT_EQ(1, p.FindFile());
    EXPECT_EQ(Full("app\\data\\" + m_file), Text(p));
}

TEST_F(PathSearchTest, FailedFindFileLeavesThePathExactlyAsItWas) {
    const char* list[] = {"none", nullptr};
    const std::string rows[] = {"nowhere\\" + m_file, std::string(10000, 'L'), "C:\\" + std::string(300, 'd') + "\\f.e"};
    for (const std::string& given : rows) {
        SCOPED_TRACE(given.substr(0, 40));
        CPathName p(given.c_str());
        const std::string before = Text(p);
        p.SetSearchPath("C:\\none\\", list);
        EXPECT_EQ(0, p.FindFile());
        EXPECT_EQ(before, Text(p));
    }
}

// OpenFile writes its record in the file functions' code page: ANSI unless
// the process switched them to OEM. Either way the stored path is ANSI.
TEST_F(PathSearchTest, FoundPathsAreAnsiWhateverTheFileFunctionsCodePage) {
    const std::string ansi = "caf\xe9" + m_file;  // e acute in code page 1252
    const std::string oem = "caf\x82" + m_file;   // the same letter in code page 437
    Touch(ansi);
    CPathName p(ansi.c_str());
    EXPECT_EQ(1, p.FullPath());
    EXPECT_EQ(Full(ansi), Text(p));
    p.PathName(("nowhere\\" + ansi).c_str());
    EXPECT_EQ(1, p.FindFile());
    EXPECT_EQ(Full(ansi), Text(p));

    SetFileApisToOEM();
    CPathName q(oem.c_str());
    BOOL parsed = q.FullPath();
    CPathName r(("C:\\nowhere\\" + oem).c_str());
    BOOL searched = r.Search();
    SetFileApisToANSI();
    EXPECT_EQ(1, parsed);
    EXPECT_EQ(Full(ansi), Text(q));
    EXPECT_EQ(1, searched);
    EXPECT_EQ(Full(ansi), Text(r));
}

}  // namespace
