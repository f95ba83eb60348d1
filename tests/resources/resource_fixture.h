// Resource tests load the four test modules (qtvres1.dll to qtvres4.dll)
// built beside the test program. The installation key is fixed: the fixture
// saves its two values and notes which keys on its path are missing, clears
// the values, and in teardown puts them back and removes the keys it noted,
// even after a failed check.
#pragma once

#include "qtvutils/resources.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

class ResourceTest : public ::testing::Test {
protected:
    static constexpr const char* kKey = "SOFTWARE\\Quorvane\\Entertainment\\CurrentVersion";

    void SetUp() override {
        HKEY key;
        for (std::string k = kKey; k != "SOFTWARE"; k.erase(k.rfind('\\')))
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, k.c_str(), 0, KEY_READ, &key) ? m_missingKeys.push_back(k) : void(RegCloseKey(key));
        for (Saved& v : m_saved) {
            v.read = RegGetValueA(HKEY_LOCAL_MACHINE, kKey, v.name, RRF_RT_ANY | RRF_NOEXPAND, &v.type, v.data, &(v.size = sizeof v.data));
            ASSERT_TRUE(v.read == ERROR_SUCCESS || v.read == ERROR_FILE_NOT_FOUND) << v.name << " cannot be saved: " << v.read;
            SetValue(v.name, nullptr);
        }
    }
    void TearDown() override {
        m_mgr.reset();
        for (const Saved& v : m_saved)
            v.read == ERROR_SUCCESS ? RegSetKeyValueA(HKEY_LOCAL_MACHINE, kKey, v.name, v.type, v.data, v.size)
                                    : v.read == ERROR_FILE_NOT_FOUND ? SetValue(v.name, nullptr) : 0;
        for (const std::string& k : m_missingKeys) RegDeleteKeyA(HKEY_LOCAL_MACHINE, k.c_str());
    }

    // Sets a value of the installation key; null removes it.
    LONG SetValue(const char* name, const char* text) {
        return text ? RegSetKeyValueA(HKEY_LOCAL_MACHINE, kKey, name, REG_SZ, text, strlen(text) + 1)
                    : RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kKey, name);
    }
    // A manager of the four modules beside the tests.
    CResourceMgr& Mgr() {
        m_mgr.reset(new CResourceMgr(nullptr));
        EXPECT_TRUE(m_mgr->Initialize("qtvres1.dll", "qtvres2.dll", "qtvres3.dll", "qtvres4.dll", nullptr));
        return *m_mgr;
    }
    // Colour i of the test images' colour table, as 0x00RRGGBB.
    static DWORD Colour(int i) { return (255 - i) << 16 | 0x40 << 8 | i; }

private:
    struct Saved {
        const char* name;
        LONG read;  // neither 0 nor 2: not saved, left alone
        DWORD type, size;
        char data[2048];
    } m_saved[2] = {{"Install Directory", -1, 0, 0, {}}, {"HelpFileName", -1, 0, 0, {}}};
    std::vector<std::string> m_missingKeys;  // deepest first
    std::unique_ptr<CResourceMgr> m_mgr;
};
