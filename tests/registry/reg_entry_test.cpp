#include "reg_fixture.h"

namespace {

TEST_F(RegTest, OpeningNeedsTheKeyWhileCreatingBuildsEveryMissingKeyVolatile) {
    EXPECT_FALSE(Open("a\\b"));
    EXPECT_TRUE(EntryPtr(CRegEntry::CreateNew(HKEY_CURRENT_USER, Path("a\\b"))));
    EXPECT_TRUE(Open("a\\b"));
    LONG result = 0x5E5E;  // the factories that say why
    EXPECT_FALSE(EntryPtr(CRegEntry::OpenExisting(HKEY_CURRENT_USER, Path("a\\x"), result)));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, result);
    EXPECT_TRUE(EntryPtr(CRegEntry::CreateNew(HKEY_CURRENT_USER, Path("a\\x"), result)));
    EXPECT_EQ(ERROR_SUCCESS, result);
    HKEY lasting;  // the platform refuses a lasting key below a volatile one
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE,
              RegCreateKeyExA(HKEY_CURRENT_USER, Path("a\\c"), 0, nullptr, 0, KEY_READ, nullptr, &lasting, nullptr));
}

TEST_F(RegTest, OnlyAKeyOpenedForReadingWithExactlyOneValueKeepsIt) {
    Put("one", "only", REG_BINARY, string("x\0y", 3));
    Put("two", "a", REG_SZ, "1");
    Put("two", "b", REG_SZ, "2");
    MakeKey("none");
    for (const char* key : {"one", "two", "none"}) {
        EntryPtr entry = Open(key);
        ASSERT_TRUE(entry);
        const bool one = string(key) == "one";
        EXPECT_EQ(one ? "only" : "", Bytes(entry->m_strValueName)) << key;
        EXPECT_EQ(one ? string("x\0y", 3) : "", Bytes(entry->m_ValueData.m_strData)) << key;
    }
    EntryPtr created(CRegEntry::CreateNew(HKEY_CURRENT_USER, Path("one")));
    ASSERT_TRUE(created);
    EXPECT_EQ(1u, created->m_dwValues);  // counted, but not kept
    EXPECT_TRUE(created->m_strValueName.IsEmpty() && created->m_ValueData.m_strData.IsEmpty());
}

TEST_F(RegTest, AnEntryOpenedForReadingWritesAndDeletesValuesEvenInAOneValueKey) {
    Put("", "only", REG_SZ, "x");
    EntryPtr entry = Open("");
    ASSERT_TRUE(entry);
    const unsigned char raw[] = {'r', 0, 'w'};
    EXPECT_EQ(0, entry->SetValueData("text", CString("abc")));
    EXPECT_EQ(0, entry->SetValueData("raw", raw, REG_BINARY, 3));
    DWORD type = 0;
    EXPECT_EQ(string("abc\0", 4), Get("", "text", &type));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(string("r\0w", 3), Get("", "raw", &type));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(0, entry->DeleteValue("only"));
    EXPECT_EQ("<error 2>", Get("", "only"));
}

TEST_F(RegTest, DeletionsLeaveTheCountsAndAWriteRefreshesThem) {
    Put("", "a", REG_SZ, "1");
    Put("", "b", REG_SZ, "2");
    Put("tree\\deep\\deeper", "v", REG_SZ, "3");
    Put("own\\child", "v", REG_SZ, "4");
    EntryPtr entry = Open(""), own = Open("own");
    ASSERT_TRUE(entry && own);
    EXPECT_EQ(0, entry->DeleteValue("a"));
    EXPECT_EQ(0, entry->DeleteSubkey("tree"));  // with everything below it
    EXPECT_EQ(0, own->DeleteSubkey(""));         // the entry's own key
    EXPECT_FALSE(Open("tree") || Open("own"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, entry->DeleteValue("a"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, entry->DeleteSubkey("tree"));
    EXPECT_EQ(2u, entry->m_dwValues);
    EXPECT_EQ(2u, entry->m_dwSubkeys);

    EXPECT_EQ(0, entry->SetValueData("c", CString("long text")));
    EXPECT_EQ(2u, entry->m_dwValues);
    EXPECT_EQ(0u, entry->m_dwSubkeys);
    EXPECT_GE(entry->m_dwMaxValueLen, 11u);  // Wine counts text in UTF-16: more
}

TEST_F(RegTest, AValueGrownBeyondTheSnapshotFailsWith234UntilTheCountsAreRenewed) {
    Put("", "grows", REG_BINARY, "1234");  // binary: text sizes are reported inflated
    EntryPtr entry = Open("");
    ASSERT_TRUE(entry);
    const string big(64, 'z');
    Put("", "grows", REG_BINARY, big);
    CRegData data("sentinel");
    CString text("sentinel");
    EXPECT_EQ(ERROR_MORE_DATA, entry->LocateValueData("grows", data));
    EXPECT_EQ(ERROR_MORE_DATA, entry->LocateValueData("grows", text));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, entry->LocateValueData("missing", text));
    EXPECT_EQ("sentinel|sentinel", Bytes(data.m_strData) + "|" + Bytes(text));

    EXPECT_EQ(0, entry->ResetCounts());
    data.m_nValue = 0x7eadbeef;
    EXPECT_EQ(0, entry->LocateValueData("grows", data));
    EXPECT_EQ(big, Bytes(data.m_strData));
    EXPECT_EQ(0x7eadbeef, data.m_nValue);

    Put("", "grows", REG_BINARY, string("ab\0", 3) + big);
    EXPECT_EQ(0, entry->SetValueData("other", CString("x")));  // any write renews them
    EXPECT_EQ(0, entry->LocateValueData("grows", text));
    EXPECT_EQ("ab", Bytes(text));  // up to the first zero byte, whatever the type
}

TEST_F(RegTest, OpeningByIdentifierFollowsTheOnlyValueOfTheIdentifierKey) {
    const GUID id = {0x12345678, 0x9abc, 0xdef0, {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc, 0xde, 0xf0}};
    Put("target", "mark", REG_SZ, "found", HKEY_LOCAL_MACHINE);
    const string target = string(Path("target")) + '\0' + "ignored";
    struct Row {
        const char* prefix;
        int values;
        string path;
    } rows[] = {{"one\\", 1, target}, {"none\\", 0, ""}, {"two\\", 2, target}, {"dangling\\", 1, "Software\\none"}};
    for (const Row& r : rows) {
        const string key = r.prefix + string("{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
        MakeKey(key.c_str(), HKEY_LOCAL_MACHINE);
        for (int i = 0; i < r.values; ++i) Put(key.c_str(), i ? "second" : "", REG_SZ, r.path, HKEY_LOCAL_MACHINE);
        EntryPtr entry(CRegEntry::OpenExisting(Path(r.prefix), id));
        EXPECT_EQ(r.prefix == rows[0].prefix, entry && entry->m_strValueName == "mark") << r.prefix;
    }
}

TEST_F(RegTest, CopyStructureCopiesTheWholeTreeWithOneMoreZeroAndKeepsTheTargetsValues) {
    Put("src", "bin", REG_BINARY, "\1\2\3\4");
    Put("src\\sub", "t", REG_SZ, string("x\0", 2));
    Put("src\\sub\\deep\\deeper", "d", REG_BINARY, "q");
    Put("dst", "keep", REG_SZ, "k");
    Put("dst", "bin", REG_SZ, "old");
    const string kept = Get("dst", "keep");
    EntryPtr source = Open("src"), target(CRegEntry::CreateNew(HKEY_CURRENT_USER, Path("dst")));
    ASSERT_TRUE(source && target);
    EXPECT_EQ(0, source->CopyStructure(target.get()));
    DWORD type = 0;
    EXPECT_EQ(string("\1\2\3\4\0", 5), Get("dst", "bin", &type));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(string("x\0\0", 3), Get("dst\\sub", "t"));
    EXPECT_EQ(string("q\0", 2), Get("dst\\sub\\deep\\deeper", "d"));
    EXPECT_EQ(kept, Get("dst", "keep"));
    EXPECT_EQ(0u, target->m_dwSubkeys);  // written through an entry of its own

    EntryPtr inner(CRegEntry::CreateNew(HKEY_CURRENT_USER, Path("src\\sub\\deep")));
    EXPECT_EQ(0, source->CopyStructure(inner.get()));  // into itself: the source as it was, once
    EXPECT_EQ(string("q\0", 2), Get("src\\sub\\deep\\sub\\deep\\deeper", "d"));
    EXPECT_FALSE(Open("src\\sub\\deep\\sub\\deep\\sub"));
}

TEST_F(RegTest, CopyStructureGoesOnPastAnUnreadableValueAndReportsTheLastRead) {
    struct Row {
        const char* grown;
        LONG result;
        const char* copied;
    } rows[] = {{"a", 0, "bc"}, {"b", 0, "ac"}, {"c", ERROR_MORE_DATA, "ab"}};
    for (const Row& r : rows) {
        const string src = string(r.grown) + "\\src", dst = string(r.grown) + "\\dst";
        for (const char* name : {"a", "b", "c"}) Put(src.c_str(), name, REG_BINARY, "1234");
        MakeKey(dst.c_str());
        EntryPtr source = Open(src.c_str()), target = Open(dst.c_str());
        ASSERT_TRUE(source && target);
        Put(src.c_str(), r.grown, REG_BINARY, string(64, 'g'));  // now beyond the snapshot
        EXPECT_EQ(r.result, source->CopyStructure(target.get())) << r.grown;
        string copied;
        for (const char* name : {"a", "b", "c"})
            if (Get(dst.c_str(), name) == string("1234\0", 5)) copied += name;
        EXPECT_EQ(r.copied, copied) << r.grown;
    }
}

TEST_F(RegTest, CopyStructureSkipsAKeysValuesWhenItsSubkeysCannotBeWalked) {
    Put("src\\zz", "child", REG_SZ, "1");
    Put("src", "v", REG_SZ, "2");
    MakeKey("dst");
    EntryPtr source = Open("src"), target = Open("dst");
    ASSERT_TRUE(source && target);
    MakeKey("src\\a-name-longer-than-the-snapshot");  // enumerated first, does not fit
    EXPECT_EQ(ERROR_MORE_DATA, source->CopyStructure(target.get()));
    EXPECT_EQ("<error 2>", Get("dst", "v"));
    EXPECT_FALSE(Open("dst\\zz"));
}

}  // namespace
