// Each registry test works below its own key (process id + test name) under
// HKEY_CURRENT_USER, and the same path under HKEY_LOCAL_MACHINE when it needs
// one; teardown deletes both. The key is named as a product of the suite, so
// the library's settings classes find their trees there. Test data is written
// and checked with the platform's own calls, never through the code under test.
#pragma once

#include "qtvutils/registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using std::string;
using EntryPtr = std::unique_ptr<CRegEntry>;  // destroyed through the virtual destructor

inline string Bytes(const CString& s) { return string(s, s.GetLength()); }
// A literal's bytes, zeros included, without the terminator the compiler adds.
template <size_t N> string Bytes(const char (&s)[N]) { return string(s, N - 1); }

// The schemes of the application "App" of a test's product, below the product key.
const string kSchemes = "CurrentVersion\\App\\Schemes";

struct RegTest : ::testing::Test {
    // The key that holds every test's own key, in both roots.
    static constexpr const char* kFolder = "SOFTWARE\\Quorvane";
    void SetUp() override {
        m_name.Format("%lu-%s", GetCurrentProcessId(), ::testing::UnitTest::GetInstance()->current_test_info()->name());
        MakeKey("");
    }
    void TearDown() override {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            RegDeleteTreeA(root, Path(""));
            RegDeleteKeyA(root, kFolder);  // only once no other run uses it
        }
    }
    // The path of a key below the test's own key, or of that key itself.
    CString Path(const string& sub) { return kFolder + ("\\" + m_name) + (sub.empty() ? "" : "\\") + sub.c_str(); }
    void MakeKey(const string& sub, HKEY root = HKEY_CURRENT_USER) {
        HKEY key;
        ASSERT_EQ(0, RegCreateKeyA(root, Path(sub), &key));
        RegCloseKey(key);
    }
    // Creates the key when missing.
    void Put(const string& sub, const char* name, DWORD type, const string& bytes, HKEY root = HKEY_CURRENT_USER) {
        ASSERT_EQ(0, RegSetKeyValueA(root, Path(sub), name, type, bytes.data(), bytes.size()));
    }
    // "type:bytes" as the platform reports them, or "<error N>".
    string Get(const string& sub, const char* name, HKEY root = HKEY_CURRENT_USER) {
        char data[256];
        DWORD size = sizeof data, type = 0;
        LONG r = RegGetValueA(root, Path(sub), name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size);
        return r ? "<error " + std::to_string(r) + ">" : std::to_string(type) + ":" + string(data, size);
    }
    EntryPtr Open(const string& sub) { return EntryPtr(CRegEntry::OpenExisting(HKEY_CURRENT_USER, Path(sub))); }

    CString m_name;  // unique to this process and test
};
