#include "qtvutils/files.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Each test runs in a fresh directory under the temporary folder, made the
// current directory; afterwards the old one is current again and the new one
// is removed with all it holds.
class PathSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::create_directory(m_dir));  // not one an earlier run left
        std::filesystem::current_path(m_dir);
    }
    void TearDown() override {
        std::filesystem::current_path(m_oldDirectory);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    // Makes empty files, and the directories they need, below the test's directory.
    void Make(std::initializer_list<std::string> files) {
        for (const std::string& file : files) {
            std::filesystem::create_directories(m_dir + file.substr(0, file.find_last_of('\\') + 1));
            ASSERT_TRUE(std::ofstream(m_dir + file)) << file;
        }
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
    Make({ansi});
    const auto fullPath = &CPathName::FullPath, search = &CPathName::Search;
    // stored: the path found, or empty where the call gives 0 and keeps the path.
    const struct { std::string given; BOOL (CPathName::*call)(); bool oem; std::string stored; } rows[] = {
        {ansi, fullPath, false, m_dir + ansi},  {oem, fullPath, true, m_dir + ansi},
        {"sub\\", fullPath, false, m_dir + "sub\\"},  {"C:", fullPath, false, m_dir},
        {"C:\\" + std::string(123, 'd') + "\\", fullPath, false, ""},
        {std::string(128 - m_dir.size() + 1, 'r'), fullPath, false, ""},  // 129 once qualified
        {"C:\\nowhere\\" + ansi, search, false, m_dir + ansi},  // the name alone, along the platform's search path
        {"C:\\nowhere\\" + oem, search, true, m_dir + ansi},
        {"C:\\nowhere\\missing.zzq", search, false, ""},  {"C:\\nowhere\\", search, false, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.given);
        CPathName p(r.given.c_str());
        if (r.oem) SetFileApisToOEM();
        const BOOL result = (p.*r.call)();
        SetFileApisToANSI();
        EXPECT_EQ(!r.stored.empty(), result != 0);
        EXPECT_EQ(r.stored.empty() ? r.given : r.stored, std::string(p));
    }
}

// The file lies in every place. One path object looks for it again and again;
// what it found as given, under the search path or by the platform's search is
// removed afterwards, so each row shows the next place in the order. The list
// entry after the list's end would find the file if it were read.
TEST_F(PathSearchTest, FindFileTriesEachPlaceInOrderAndWalksTheListOnce) {
    Make({"nowhere\\" + m_file, "app\\" + m_file, "app\\data\\" + m_file, "app\\images\\" + m_file,
          "app\\beyond\\" + m_file, m_file, "app" + m_file});
    const std::string given = "nowhere\\" + m_file, none;
    const char* list[] = {"data", "images", nullptr, "beyond"};
    // found: the place, or empty where FindFile gives 0 and keeps the path;
    // search: the search path set first, below the test's directory (null:
    // none); remove: the file found is removed.
    const struct { std::string path, found; const char* search; bool remove; } rows[] = {
        // Nothing to look for: the list is not touched. Then the path as given, the search path and the file name.
        {"", none, "app\\", false},  {given, given, nullptr, true},  {given, "app\\" + m_file, nullptr, true},
        // Each list entry under the search path, the next walk going on after the last match; the platform's search.
        {given, "app\\data\\" + m_file, nullptr, false},  {given, "app\\images\\" + m_file, nullptr, false},
        {given, m_file, nullptr, true},
        // The list has run out until it is set again; the search path is joined as it stands, without a separator.
        {given, none, nullptr, false},  {given, "app\\data\\" + m_file, "app\\", false},  {given, "app" + m_file, "app", false},
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
