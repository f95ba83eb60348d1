#include "reg_fixture.h"

namespace {

const unsigned char kBin[] = {1, 0, 2, 0};

TEST_F(RegTest, EveryConstructorHoldsExactBytesAndAWriteStoresOneZeroMore) {
    struct Row {
        const char* what;
        CRegData data;
        string held;
        DWORD type;
    } rows[] = {
        {"default", CRegData(), "", REG_SZ},
        {"CString keeps zeros", CRegData(CString("a\0b", 3)), string("a\0b", 3), REG_SZ},
        {"text stops at its NUL", CRegData("a\0b"), "a", REG_SZ},
        {"bytes", CRegData(kBin, 4, REG_BINARY), string("\1\0\2\0", 4), REG_BINARY},
        {"no bytes", CRegData(kBin, 0, REG_DWORD), "", REG_DWORD},
        {"42u", CRegData(42u), string("42\0", 3), REG_SZ},
        {"max unsigned is -1", CRegData(4294967295u), string("-1\0", 3), REG_SZ},
        {"2^31", CRegData(2147483648u), string("-2147483648\0", 12), REG_SZ},
        {"number", CRegData(-7, 0), string("-7\0", 3), REG_SZ},
        {"On", CRegData(5, 1), string("On\0\0\0\0\0\0", 8), REG_SZ},
        {"Off", CRegData(0, 1), string("Off\0\0\0\0\0\0", 9), REG_SZ},
    };
    EntryPtr entry(CRegEntry::CreateNew(HKEY_CURRENT_USER, m_path));
    ASSERT_TRUE(entry);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.held, Bytes(r.data.m_strData));
        EXPECT_EQ(r.type, r.data.GetType());
        ASSERT_EQ(0, entry->SetValueData(r.what, r.data));
        DWORD stored = 0;
        EXPECT_EQ(r.held + '\0', Get("", r.what, &stored));
        EXPECT_EQ(r.type, stored);
        CRegData back;  // read through the entry that created the key
        ASSERT_EQ(0, entry->LocateValueData(r.what, back));
        EXPECT_EQ(r.held + '\0', Bytes(back.m_strData));
    }
}

TEST(RegDataTest, ConversionsFollowAtoiAndOnlyTheSignedOneKnowsTheSwitchWords) {
    struct Row {
        string bytes;
        DWORD type;
        int asSigned;
        unsigned asUnsigned;
    } rows[] = {
        {"oN", REG_SZ, 1, 0},          {"OFF", REG_SZ, 0, 0},          {string("On\0\0\0", 5), REG_SZ, 1, 0},
        {"Onion", REG_SZ, 0, 0},       {" \t-12a", REG_SZ, -12, 4294967284u}, {"+7", REG_SZ, 7, 7},
        {"x9", REG_SZ, 0, 0},          {"", REG_SZ, 0, 0},             {"12", REG_EXPAND_SZ, 12, 12},
        {string("\1\0\0\0", 4), REG_DWORD, 0, 0},  // parsed as text
        {"12", REG_BINARY, 0, 0},      // never parsed
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.bytes);
        CRegData data(reinterpret_cast<const unsigned char*>(r.bytes.data()), r.bytes.size(), r.type);
        int* pSigned = data;
        unsigned* pUnsigned = data;
        EXPECT_EQ(static_cast<void*>(pSigned), pUnsigned);
        EXPECT_EQ(r.asUnsigned, *pUnsigned);
        EXPECT_EQ(r.asSigned, *static_cast<int*>(data));
    }
}

TEST(RegDataTest, AssignmentAndLoadingReplaceBytesAndTypeButNotTheSlot) {
    CRegData source(kBin, 4, REG_BINARY), target(3u);
    EXPECT_EQ(3, *static_cast<int*>(target));
    target = source;
    EXPECT_EQ(Bytes(source.m_strData), Bytes(target.m_strData));
    EXPECT_EQ(DWORD(REG_BINARY), target.GetType());
    EXPECT_EQ(3, target.m_nValue);
    const CRegData& held = target;
    EXPECT_EQ(static_cast<const void*>(target.m_strData), static_cast<void*>(held));
    EXPECT_EQ(static_cast<void*>(held), static_cast<unsigned char*>(held));
    const CRegData empty;
    *static_cast<unsigned char*>(empty) = 'x';  // storage of its own, not the block empty strings share
    EXPECT_STREQ("", CString());

    EXPECT_TRUE(target.LoadString(200));
    EXPECT_EQ("17", Bytes(target.m_strData));
    EXPECT_EQ(17, *static_cast<int*>(target));  // converted afresh
    target.m_dwType = REG_BINARY;
    EXPECT_FALSE(target.LoadString(201));
    EXPECT_EQ("", Bytes(target.m_strData));
    EXPECT_EQ(DWORD(REG_SZ), target.GetType());
}

}  // namespace
