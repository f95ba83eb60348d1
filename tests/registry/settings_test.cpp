#include "qtvutils/settings.h"
#include "reg_fixture.h"

// The schemes of the application "App" of a test's product, below the
// product key.
#define SCHEMES "CurrentVersion\\App\\Schemes"

namespace {

// A test's own key is its product key, SOFTWARE\Quorvane\<pid-test>, in both
// roots. The machine-wide trees are written with the platform's calls.
class SettingsTest : public RegTest {
    const char* Folder() const override { return "SOFTWARE\\Quorvane"; }
};

// One user's schemes through their life, beside a second application without
// a machine-wide tree. Each step adds to the record "result name," (the name
// as the call left it) or, for a look, the text of the value "v" of a key.
TEST_F(SettingsTest, SchemesAreCopiedOnFirstUseWalkedInOrderAndDeletedByTheRules) {
    for (const char* s : {"Work", "b", ".Default", "Work\\Devices\\.Default\\0000\\Annimations"})
        Put((SCHEMES "\\" + string(s)).c_str(), "v", REG_SZ, "1", HKEY_LOCAL_MACHINE);
    Put(SCHEMES, "Current Scheme", REG_SZ, "Work", HKEY_LOCAL_MACHINE);
    CRegScheme s(m_name, "App"), bare(m_name, "Bare");
    CRegDevice pad("Pad", 3, &s);
    CString name("sentinel");
    string record;
    auto add = [&](LONG result) { record += std::to_string(result) + " " + Bytes(name) + ","; };
    auto look = [&](const char* sub, HKEY root) { record += Get(sub, "v", nullptr, root).c_str() + string(","); };
    add(s.GetNextScheme(name));
    add(s.GetFirstScheme(name));  // the walk makes no user tree
    add(bare.GetCurrentScheme(name));
    add(bare.GetFirstScheme(name));  // its user tree holds no scheme
    add(s.GetCurrentScheme(name));   // first use copies the machine's tree
    add(s.NewSchemeKey("A"));        // the machine has no "A": an empty scheme
    Put(SCHEMES "\\b", "v", REG_SZ, "2", HKEY_LOCAL_MACHINE);
    add(s.NewSchemeKey("b"));  // the user has it: not copied again
    look(SCHEMES "\\b", HKEY_CURRENT_USER);
    for (const char* d : {".Default", "", "b\\x", "Missing", "b"}) add(s.DeleteSchemeKey(d));
    add(s.GetCurrentScheme(name));
    for (int i = 0; i < 5; ++i) add(i ? s.GetNextScheme(name) : s.GetFirstScheme(name));
    add(pad.NewDeviceKey());  // from the current scheme's template
    look(SCHEMES "\\Work\\Devices\\Pad\\0003\\Annimations", HKEY_LOCAL_MACHINE);
    add(s.DeleteSchemeKey("Work"));
    add(s.GetCurrentScheme(name));
    add(s.GetFirstScheme(name));
    EXPECT_EQ("8 sentinel,8 sentinel,0 .Default,8 .Default,0 Work,0 Work,0 Work,1,"  // first use
              "232 Work,123 Work,123 Work,2 Work,0 Work,0 Work,"                      // deletion
              "0 .Default,0 A,0 Work,232 Work,232 Work,0 Work,1,0 Work,0 .Default,0 .Default,",  // walk, device
              record);
}

// The switches' key is fixed: HKEY_LOCAL_MACHINE is redirected into the
// test's own key meanwhile, so the machine's switches are never touched.
TEST_F(SettingsTest, SwitchIsOnExactlyWhenItsOwnValueReadsOnInAnyLetterCase) {
    HKEY machine;
    ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, Path("machine"), &machine));
    ASSERT_EQ(0, RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine));
    RegCloseKey(machine);
    struct Undo { ~Undo() { RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr); } } undo;
    const char cc[] = "SOFTWARE\\Quorvane\\Quorvane TalVora Software\\CurrentVersion\\Control Center";
    BOOL (*const switches[])() = {CRegistryFlag::GetSimpleKeyboardFlag, CRegistryFlag::GetDosAutoDetect,
                                  CRegistryFlag::GetWin95AutoDetect, CRegistryFlag::GetProgramAxis,
                                  CRegistryFlag::GetTrayIcon};
    const char* names[] = {"SimpleKeyboard", "DosAutoDetect", "Win95AutoDetect", "ProgramAxis", "TrayIcon"};
    const struct { DWORD type; string bytes; BOOL on; } rows[] = {
        {REG_SZ, string("On\0", 3), 1}, {REG_SZ, "oN", 1}, {REG_SZ, string("On\0\0\0\0\0\0\0", 9), 1},
        {REG_BINARY, string("On\0", 3), 1}, {REG_SZ, "Off", 0}, {REG_SZ, " On", 0}, {REG_SZ, "Onn", 0},
        {REG_SZ, "", 0}};
    EXPECT_FALSE(switches[4]());  // no key yet: made empty, off
    for (int i = 0; i < 5; ++i)
        for (const auto& r : rows) {
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, cc, names[i], r.type, r.bytes.data(), r.bytes.size());
            for (int j = 0; j < 5; ++j) EXPECT_EQ(i == j && r.on, switches[j]()) << names[j] << " '" << r.bytes << "'";
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, cc, names[i]);
        }
}

}  // namespace
