#include "qtvutils/settings.h"
#include "reg_fixture.h"

#include <vector>

namespace {

const unsigned char kBin[] = {1, 0, 2, 0};

// Written through an entry opened for reading.
TEST_F(RegTest, ValuesHoldExactBytesAndAreWrittenInTheirTypeWithOneZeroMore) {
    const struct { const char* what; CRegData data; string stored; } rows[] = {
        {"default", CRegData(), Bytes("1:\0")}, {"zeros kept", CRegData(CString("a\0b", 3)), Bytes("1:a\0b\0")},
        {"to NUL", CRegData("a\0b"), Bytes("1:a\0")}, {"bytes", CRegData(kBin, 4, REG_BINARY), Bytes("3:\1\0\2\0\0")},
        {"no bytes", CRegData(kBin, 0, REG_DWORD), Bytes("4:\0")}, {"42u", CRegData(42u), Bytes("1:42\0\0")},
        {"max is -1", CRegData(4294967295u), Bytes("1:-1\0\0")}, {"number", CRegData(-7, 0), Bytes("1:-7\0\0")},
        {"On", CRegData(5, 1), Bytes("1:On\0\0\0\0\0\0\0")}, {"Off", CRegData(0, 1), Bytes("1:Off\0\0\0\0\0\0\0")}};
    EntryPtr entry = Open("");
    ASSERT_TRUE(entry);
    for (const auto& r : rows)
        EXPECT_EQ(r.stored, entry->SetValueData(r.what, r.data) ? "write failed" : Get("", r.what)) << r.what;
}

TEST(RegDataTest, ConversionsFollowAtoiAndOnlyTheSignedOneKnowsTheSwitchWords) {
    const struct { string bytes; DWORD type; int asSigned; unsigned asUnsigned; } rows[] = {
        {"oN", REG_SZ, 1, 0},    {"OFF", REG_SZ, 0, 0},  {string("On\0\0\0", 5), REG_SZ, 1, 0},
        {"Onion", REG_SZ, 0, 0}, {" \t-12a", REG_SZ, -12, 4294967284u}, {"+7", REG_SZ, 7, 7},
        {"x9", REG_SZ, 0, 0},    {"", REG_SZ, 0, 0},     {"12", REG_EXPAND_SZ, 12, 12},
        {string("\1\0\0\0", 4), REG_DWORD, 0, 0}, {"12", REG_BINARY, 0, 0}};  // DWORD parsed as text, BINARY never
    for (const auto& r : rows) {
        CRegData data(reinterpret_cast<const unsigned char*>(r.bytes.data()), r.bytes.size(), r.type);
        EXPECT_EQ(r.asUnsigned, *static_cast<unsigned*>(data)) << r.bytes;
        EXPECT_EQ(r.asSigned, *static_cast<int*>(data)) << r.bytes;
    }
}

// The byte pointer writes the held bytes; an empty value's is storage of its
// own, never the block every empty string shares.
TEST(RegDataTest, AssignmentAndLoadingReplaceBytesAndTypeButNotTheSlot) {
    CRegData target(3u);
    EXPECT_EQ(3, *static_cast<int*>(target));
    target = CRegData(kBin, 4, REG_BINARY);
    static_cast<unsigned char*>(target)[1] = 'x';
    EXPECT_EQ(string("3 3:\1x\2\0", 8),
              std::to_string(target.m_nValue) + " " + std::to_string(target.GetType()) + ":" + Bytes(target.m_strData));
    const CRegData empty;
    *static_cast<unsigned char*>(empty) = 'x';
    EXPECT_STREQ("", CString());

    EXPECT_EQ(17, target.LoadString(200) ? *static_cast<int*>(target) : -1);  // converted afresh
    target.m_dwType = REG_BINARY;
    EXPECT_EQ("1:", target.LoadString(201) ? "-" : std::to_string(target.GetType()) + ":" + Bytes(target.m_strData));
}

// Only an entry opened for reading on a key with exactly one value keeps it.
TEST_F(RegTest, OpeningNeedsTheKeyAndKeepsAnOnlyValueWhileCreatingBuildsEveryMissingKeyVolatile) {
    LONG result = 0x5E5E;
    // A missing key is not opened: ERROR_FILE_NOT_FOUND (2).
    EXPECT_TRUE(!EntryPtr(CRegEntry::OpenExisting(HKEY_CURRENT_USER, Path("a\\b"), result)) && result == 2) << result;
    EXPECT_TRUE(EntryPtr(CRegEntry::CreateNew(HKEY_CURRENT_USER, Path("a\\b"), result)) && result == 0);
    // The platform refuses a lasting key below a volatile one; RegSetKeyValue
    // makes missing keys lasting.
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE, RegSetKeyValueA(HKEY_CURRENT_USER, Path("a\\c"), "v", REG_SZ, "", 1));
    Put("a\\b", "only", REG_BINARY, string("x\0y", 3));
    for (const char* name : {"a", "b"}) Put("two", name, REG_SZ, name);
    for (const char* key : {"a\\b", "two", "a"}) {
        EntryPtr entry = Open(key);
        EXPECT_EQ(key == string("a\\b") ? string("only=x\0y", 8) : "=",
                  entry ? Bytes(entry->m_strValueName) + "=" + Bytes(entry->m_ValueData.m_strData) : "none") << key;
    }
}

TEST_F(RegTest, OpeningByIdentifierFollowsTheOnlyValueOfTheIdentifierKey) {
    const GUID id = {0x12345678, 0x9abc, 0xdef0, {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc, 0xde, 0xf0}};
    Put("target", "mark", REG_SZ, "found", HKEY_LOCAL_MACHINE);
    const string target = string(Path("target")) + '\0' + "ignored";
    const struct { const char* prefix; int values; string path; const char* found; } rows[] = {
        {"one\\", 1, target, "mark"}, {"none\\", 0, "", "-"}, {"two\\", 2, target, "-"}, {"gone\\", 1, "x", "-"}};
    for (const auto& r : rows) {
        const string key = r.prefix + string("{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
        MakeKey(key, HKEY_LOCAL_MACHINE);
        for (int i = 0; i < r.values; ++i) Put(key, i ? "second" : "", REG_SZ, r.path, HKEY_LOCAL_MACHINE);
        EntryPtr entry(CRegEntry::OpenExisting(Path(r.prefix), id));
        EXPECT_EQ(r.found, entry ? Bytes(entry->m_strValueName) : "-") << r.prefix;
    }
}

// Opening takes a snapshot of the key's counts that sizes every read;
// ResetCounts and every write renew it.
TEST_F(RegTest, AReadBeyondTheSnapshotFailsWith234AndLeavesItsOutputUntilTheCountsAreRenewed) {
    Put("", "big", REG_BINARY, "1234");  // binary: text sizes are reported inflated
    for (const char* key : {"", "tree\\deep", "own\\child"}) Put(key, "b", REG_SZ, "2");
    EntryPtr entry = Open(""), own = Open("own");
    ASSERT_TRUE(entry && own);
    Put("", "big", REG_BINARY, string(64, 'z'));
    CRegData data("sentinel");
    CString text("sentinel");
    // Deleting "tree" takes everything below it; "own" deletes its own key.
    EXPECT_EQ((std::vector<LONG>{234, 234, 2, 0, 0, 0, 2, 2}),
              (std::vector<LONG>{entry->LocateValueData("big", data), entry->LocateValueData("big", text),
                                 entry->LocateValueData("missing", text), entry->DeleteValue("b"),
                                 entry->DeleteSubkey("tree"), own->DeleteSubkey(""), entry->DeleteValue("b"),
                                 entry->DeleteSubkey("tree")}));
    EXPECT_EQ("sentinel|sentinel|<error 2>", Bytes(data.m_strData) + "|" + Bytes(text) + "|" + Get("", "b"));
    EXPECT_FALSE(Open("tree") || Open("own"));

    EXPECT_EQ(string(64, 'z'),
              entry->ResetCounts() || entry->LocateValueData("big", data) ? "-" : Bytes(data.m_strData));
    Put("", "big", REG_BINARY, string("ab\0", 3) + string(99, 'z'));
    // Any write renews them. A text is read up to the first zero byte, whatever the type.
    EXPECT_EQ("ab", entry->SetValueData("c", CString("x")) || entry->LocateValueData("big", text) ? "-" : Bytes(text));
}

TEST_F(RegTest, CopyStructureCopiesTheWholeTreeWithOneMoreZeroAndKeepsTheTargetsValues) {
    Put("src", "bin", REG_BINARY, "\1\2\3\4");
    Put("src\\sub", "t", REG_SZ, string("x\0", 2));
    Put("src\\sub\\deep\\deeper", "d", REG_BINARY, "q");
    Put("dst", "keep", REG_BINARY, "k");
    Put("dst", "bin", REG_SZ, "old");
    EntryPtr source = Open("src"), target(CRegEntry::CreateNew(HKEY_CURRENT_USER, Path("dst")));
    ASSERT_TRUE(source && target);
    EXPECT_EQ(string("3:\1\2\3\4\0|1:x\0\0|3:q\0|3:k", 22),
              source->CopyStructure(target.get()) ? "-" : Get("dst", "bin") + "|" + Get("dst\\sub", "t") +
              "|" + Get("dst\\sub\\deep\\deeper", "d") + "|" + Get("dst", "keep"));
    EXPECT_EQ(0u, target->m_dwSubkeys);  // written through an entry of its own

    EntryPtr inner(CRegEntry::CreateNew(HKEY_CURRENT_USER, Path("src\\sub\\deep")));
    // Into itself: the source as it was, once.
    EXPECT_EQ(Bytes("3:q\0"), source->CopyStructure(inner.get()) ? "-" :
              Get("src\\sub\\deep\\sub\\deep\\deeper", "d") + (Open("src\\sub\\deep\\sub\\deep\\sub") ? " twice" : ""));
}

// After the snapshot, a value grows beyond it, or a subkey appears whose name
// does not fit it, enumerated before the subkey "zz". Each row reads "result:"
// (234 is ERROR_MORE_DATA), the values copied, and " zz" when that key was.
TEST_F(RegTest, CopyStructureSkipsWhatItCannotReadAndReportsTheLastFailure) {
    const struct { const char* change; const char* copied; } rows[] = {
        {"a", "0:bc zz"}, {"b", "0:ac zz"}, {"c", "234:ab zz"}, {"\\a-long-name", "234:"}};
    for (const auto& r : rows) {
        const string src = r.change + string("\\src"), dst = r.change + string("\\dst");
        for (const char* name : {"a", "b", "c"}) Put(src, name, REG_BINARY, "1234");
        for (const string& key : {src + "\\zz", dst}) MakeKey(key);
        EntryPtr source = Open(src), target = Open(dst);
        ASSERT_TRUE(source && target);
        if (r.change[0] == '\\') MakeKey(src + r.change);
        else Put(src, r.change, REG_BINARY, string(64, 'g'));
        string copied = std::to_string(source->CopyStructure(target.get())) + ":";
        for (const char* name : {"a", "b", "c"})
            if (Get(dst, name) == Bytes("3:1234\0")) copied += name;
        EXPECT_EQ(r.copied, copied + (Open(dst + "\\zz") ? " zz" : "")) << r.change;
    }
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
    EXPECT_EQ("sentinelsentinel", it.CurrentValue(name, text) != ERROR_BAD_FORMAT ? "-" : Bytes(name) + Bytes(text));
    std::vector<unsigned char> raw(entry->m_dwMaxValueLen, 0xcc);
    unsigned long size = 0, type = 0;
    EXPECT_EQ(string("bin 3 3 \1\2\0\0\xcc", 13), it.CurrentValue(name, raw.data(), &size, &type) ? "-" :
              Bytes(name) + " " + std::to_string(size) + " " + std::to_string(type) + " " + string(&raw[0], &raw[5]));
    // Grown to the snapshot's full size, it leaves no room for the zero byte.
    Put("", "bin", REG_BINARY, string(raw.size(), 'g'));
    const auto before = raw;
    EXPECT_TRUE(it.CurrentValue(name, raw.data(), &size, &type) == ERROR_MORE_DATA && raw == before && size == 3);
    // Past "txt" to "wide", the largest at the snapshot: it fits with its zero byte.
    ASSERT_TRUE(it.Next() && it.Next());
    EXPECT_EQ(0, it.CurrentValue(name, raw.data(), &size, &type));
}

// One user's schemes through their life, beside a second application without
// a machine-wide tree. Each step adds to the record "result name," (the name
// as the call left it) or, for a look, the text of the value "v" of a key.
TEST_F(RegTest, SchemesAreCopiedOnFirstUseWalkedInOrderAndDeletedByTheRules) {
    for (const char* s : {"Work", "b", ".Default", "Work\\Devices\\.Default\\0000\\Annimations"})
        Put(kSchemes + "\\" + s, "v", REG_SZ, "1", HKEY_LOCAL_MACHINE);
    Put(kSchemes, "Current Scheme", REG_SZ, "Work", HKEY_LOCAL_MACHINE);
    CRegScheme s(m_name, "App"), bare(m_name, "Bare");
    CRegDevice pad("Pad", 3, &s);
    CString name("sentinel");
    string record;
    auto add = [&](LONG result) { record += std::to_string(result) + " " + Bytes(name) + ","; };
    add(s.GetNextScheme(name));
    add(s.GetFirstScheme(name));  // the walk makes no user tree
    add(bare.GetCurrentScheme(name));
    add(bare.GetFirstScheme(name));  // its user tree holds no scheme
    add(s.GetCurrentScheme(name));   // first use copies the machine's tree
    add(s.NewSchemeKey("A"));        // the machine has no "A": an empty scheme
    Put(kSchemes + "\\b", "v", REG_SZ, "2", HKEY_LOCAL_MACHINE);
    add(s.NewSchemeKey("b"));  // the user has it: not copied again
    record += Get(kSchemes + "\\b", "v").c_str() + string(",");
    for (const char* d : {".Default", "", "b\\x", "Missing", "b"}) add(s.DeleteSchemeKey(d));
    add(s.GetCurrentScheme(name));
    for (int i = 0; i < 5; ++i) add(i ? s.GetNextScheme(name) : s.GetFirstScheme(name));
    add(pad.NewDeviceKey());  // from the current scheme's template
    record += Get(kSchemes + "\\Work\\Devices\\Pad\\0003\\Annimations", "v", HKEY_LOCAL_MACHINE).c_str() + string(",");
    add(s.DeleteSchemeKey("Work"));
    add(s.GetCurrentScheme(name));
    add(s.GetFirstScheme(name));
    EXPECT_EQ("8 sentinel,8 sentinel,0 .Default,8 .Default,0 Work,0 Work,0 Work,1:1,"  // first use
              "232 Work,123 Work,123 Work,2 Work,0 Work,0 Work,"                      // deletion
              "0 .Default,0 A,0 Work,232 Work,232 Work,0 Work,1:1,0 Work,0 .Default,0 .Default,",  // walk, device
              record);
}

// The switches' key is fixed: HKEY_LOCAL_MACHINE is redirected into the
// test's own key meanwhile, so the machine's switches are never touched.
TEST_F(RegTest, SwitchIsOnExactlyWhenItsOwnValueReadsOnInAnyLetterCase) {
    HKEY machine;
    ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, Path("machine"), &machine));
    ASSERT_EQ(0, RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine));
    RegCloseKey(machine);
    struct Undo { ~Undo() { RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr); } } undo;
    const char cc[] = "SOFTWARE\\Quorvane\\Quorvane TalVora Software\\CurrentVersion\\Control Center";
    const struct { const char* name; BOOL (*on)(); } switches[] = {
        {"SimpleKeyboard", CRegistryFlag::GetSimpleKeyboardFlag}, {"DosAutoDetect", CRegistryFlag::GetDosAutoDetect},
        {"Win95AutoDetect", CRegistryFlag::GetWin95AutoDetect},   {"ProgramAxis", CRegistryFlag::GetProgramAxis},
        {"TrayIcon", CRegistryFlag::GetTrayIcon}};
    const struct { DWORD type; string bytes; BOOL on; } rows[] = {
        {REG_SZ, "oN", 1}, {REG_BINARY, string("On\0", 3), 1}, {REG_SZ, string("On\0\0\0\0\0\0\0", 9), 1},
        {REG_SZ, "Off", 0}, {REG_SZ, " On", 0}, {REG_SZ, "Onn", 0}, {REG_SZ, "", 0}};
    for (const auto& s : switches)
        for (const auto& r : rows) {
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, cc, s.name, r.type, r.bytes.data(), r.bytes.size());
            for (const auto& t : switches) EXPECT_EQ(&s == &t && r.on, t.on()) << t.name << " '" << r.bytes << "'";
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, cc, s.name);
        }
}

}  // namespace
