// The settings tree: an installer's machine-wide tree with two schemes and a
// device template, under a product key of the demo's own; the user's copy,
// made on first use; the current scheme switched; a device key made from the
// template; the user's schemes walked; and the five control-center switches
// read. Everything the section made is removed at the end (and, created
// volatile, would be gone after a restart of the system anyway).
#include "qtvutils/qtvutils.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using EntryPtr = std::unique_ptr<CRegEntry>;

const char kQuorvane[] = "SOFTWARE\\Quorvane";
const char kControlCenter[] = "SOFTWARE\\Quorvane\\Quorvane TalVora Software\\CurrentVersion\\Control Center";

void Say(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    CString text;
    text.FormatV(format, args);
    va_end(args);
    printf("[%-6s] %s\n", "settings", static_cast<const char*>(text));
    fflush(stdout);
}

bool KeyExists(HKEY root, const std::string& path) {
    return EntryPtr(CRegEntry::OpenExisting(root, path.c_str())) != nullptr;
}

// Remembers the keys that do not exist yet on the way to the keys the demo
// will touch, and removes them when it goes: first the demo's product key in
// both roots with everything below it, then each remembered key, deepest
// first. A remembered key that someone else filled meanwhile stays, since
// RegDeleteKeyA refuses a key with subkeys.
class CMadeKeys {
public:
    explicit CMadeKeys(const CString& product) : m_product(product) {}
    ~CMadeKeys() {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteTreeA(root, m_product);
        for (const auto& key : m_keys) RegDeleteKeyA(key.first, key.second.c_str());
    }
    void Note(HKEY root, std::string path) {
        for (; !KeyExists(root, path); path.erase(path.rfind('\\'))) m_keys.emplace_back(root, path);
    }

private:
    CString m_product;
    std::vector<std::pair<HKEY, std::string>> m_keys;
};

// What an installer leaves: a text value, with the keys on its way.
bool PutMachineText(const CString& path, const char* name, const char* text) {
    EntryPtr key(CRegEntry::CreateNew(HKEY_LOCAL_MACHINE, path));
    return key && key->SetValueData(name, CString(text)) == ERROR_SUCCESS;
}

const char* OnOff(BOOL on) { return on ? "on" : "off"; }

}  // namespace

int DemoSettings() {
    CString product;
    product.Format("QTVUtils Demo %lu", GetCurrentProcessId());
    CMadeKeys made(kQuorvane + CString("\\") + product);
    made.Note(HKEY_LOCAL_MACHINE, kControlCenter);  // reading the switches makes it when missing
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) made.Note(root, kQuorvane);

    CRegScheme* scheme = new CRegScheme(product, "Demo Panel");
    const CString machine = scheme->CreateSchemePath(), deviceTemplate = machine + "\\Racing\\Devices\\.Default\\0000";
    bool ok = PutMachineText(machine + "\\.Default", "Description", "Everyday settings") &&
              PutMachineText(machine + "\\Racing", "Description", "Wheel and pedals") &&
              PutMachineText(deviceTemplate + "\\Assignments", "Button 1", "Shift up") &&
              PutMachineText(deviceTemplate + "\\Annimations", "Start", "Flash") &&
              PutMachineText(deviceTemplate + "\\Usability", "Dead Zone", "5");
    Say("machine-wide tree HKLM\\%s: schemes .Default and Racing, a device template in Racing",
        static_cast<const char*>(machine));

    CString current;
    LONG result = scheme->GetCurrentScheme(current);
    Say("first use made the user's copy; current scheme \"%s\" (result %ld)", static_cast<const char*>(current), result);
    ok = ok && result == ERROR_SUCCESS;
    result = scheme->SetCurrentScheme("Racing");
    Say("current scheme switched to Racing (result %ld)", result);
    ok = ok && result == ERROR_SUCCESS && scheme->GetCurrentScheme(current) == ERROR_SUCCESS;

    CRegDevice* device = new CRegDevice("Joystick", 1, scheme);
    result = device->NewDeviceKey();
    CString animations, start;
    device->GetAnimationKey(animations);
    EntryPtr copied(CRegEntry::OpenExisting(HKEY_LOCAL_MACHINE, animations));
    if (copied) copied->LocateValueData("Start", start);
    Say("device key made from the template (result %ld); HKLM\\%s holds Start = \"%s\"", result,
        static_cast<const char*>(animations), static_cast<const char*>(start));
    ok = ok && result == ERROR_SUCCESS && start == "Flash";

    Say("the user's schemes:");
    CString name;
    for (LONG walk = scheme->GetFirstScheme(name); walk == ERROR_SUCCESS; walk = scheme->GetNextScheme(name))
        Say("  %s%s", static_cast<const char*>(name), name == current ? "  (current)" : "");

    Say("control-center switches: SimpleKeyboard %s, DosAutoDetect %s, Win95AutoDetect %s, ProgramAxis %s, "
        "TrayIcon %s",
        OnOff(CRegistryFlag::GetSimpleKeyboardFlag()), OnOff(CRegistryFlag::GetDosAutoDetect()),
        OnOff(CRegistryFlag::GetWin95AutoDetect()), OnOff(CRegistryFlag::GetProgramAxis()),
        OnOff(CRegistryFlag::GetTrayIcon()));

    device->Release();  // drops its reference to the scheme
    scheme->Release();
    Say("removing the keys the demo made");
    return ok ? 0 : 1;
}
