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
    add(s.NewSchemeKey("A"));        // the machine has no "A"; the user gets a copy of the machine's tree first
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
    EXPECT_EQ("8 sentinel,8 sentinel,0 .Default,8 .Default,0 .Default,0 .Default,1,"          // first use
              "232 .Default,123 .Default,123 .Default,2 .Default,0 .Default,0 Work,"           // deletion
              "0 .Default,0 A,0 Work,232 Work,232 Work,0 Work,1,0 Work,0 .Default,0 .Default,",  // walk, device
              record);
}

}  // namespace
