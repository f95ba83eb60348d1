#include "reg_fixture.h"

#include <vector>

namespace {

TEST_F(RegTest, SubkeyIteratorGivesEveryNameOnceInThePlatformsOrder) {
    for (const char* name : {"b", "A", "ccc"}) MakeKey(name);
    EntryPtr entry = Open(""), empty = Open("b");
    ASSERT_TRUE(entry && empty);
    CRegSubkeyIterator it(entry.get()), none(empty.get());
    EXPECT_EQ(-1, none.m_nIndex);
    EXPECT_FALSE(none.Next() || CRegValueIterator(empty.get()).Next());
    string names;
    CString name;
    while (it.Next() && it.CurrentSubkey(name) == 0) names += Bytes(name) + ",";
    EXPECT_EQ("A,b,ccc,", names);
    name = "sentinel";
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, it.CurrentSubkey(name));
    EXPECT_EQ("sentinel", Bytes(name));
}

TEST_F(RegTest, ValueIteratorReadsEachFormAndLeavesOutputsAloneOnFailure) {
    Put("", "bin", REG_BINARY, string("\1\2\0", 3));
    Put("", "txt", REG_SZ, string("hi\0", 3));
    Put("", "wide", REG_BINARY, string(40, 'w'));  // the snapshot's data size is 41
    EntryPtr entry = Open("");
    ASSERT_TRUE(entry);
    CRegValueIterator it(entry.get());
    ASSERT_TRUE(it.Next());  // "bin"
    CString name("sentinel"), text("sentinel");
    EXPECT_EQ(ERROR_BAD_FORMAT, it.CurrentValue(name, text));
    EXPECT_EQ("sentinel|sentinel", Bytes(name) + "|" + Bytes(text));
    std::vector<unsigned char> raw(entry->m_dwMaxValueLen, 0xcc);
    unsigned long size = 0, type = 0;
    EXPECT_EQ(0, it.CurrentValue(name, raw.data(), &size, &type));
    EXPECT_EQ("bin", Bytes(name));
    EXPECT_EQ(3ul, size);
    EXPECT_EQ(3ul, type);  // REG_BINARY
    EXPECT_EQ(string("\1\2\0\0\xcc", 5), string(raw.begin(), raw.begin() + 5));
    // Grown to the snapshot's full size, it leaves no room for the zero byte.
    Put("", "bin", REG_BINARY, string(raw.size(), 'g'));
    std::vector<unsigned char> untouched(raw.size(), 0xcc);
    raw = untouched;
    EXPECT_EQ(ERROR_MORE_DATA, it.CurrentValue(name, raw.data(), &size, &type));
    EXPECT_EQ(untouched, raw);
    EXPECT_EQ(3ul, size);  // still the last success's

    ASSERT_TRUE(it.Next());  // "txt"
    EXPECT_EQ(0, it.CurrentValue(name, text));
    EXPECT_EQ("txt=hi", Bytes(name) + "=" + Bytes(text));
    CRegData data;
    EXPECT_EQ(0, it.CurrentValue(name, data));
    EXPECT_EQ(string("hi\0", 3), Bytes(data.m_strData));
    EXPECT_EQ(DWORD(REG_SZ), data.GetType());
}

}  // namespace
