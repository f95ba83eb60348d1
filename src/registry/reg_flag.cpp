#include "qtvutils/settings.h"

#include <memory>

namespace {

// Opened the way the suite has always opened it: for writing, created when
// missing. Where writing HKEY_LOCAL_MACHINE is refused, every switch reads
// as off.
const char kControlCenter[] = "SOFTWARE\\Quorvane\\Quorvane TalVora Software\\CurrentVersion\\Control Center";

BOOL ReadSwitch(const char* name) {
    std::unique_ptr<CRegEntry> key(CRegEntry::CreateNew(HKEY_LOCAL_MACHINE, kControlCenter));
    if (!key) return FALSE;
    CString text;  // stays empty when the value is missing or unreadable
    key->LocateValueData(name, text);
    return text.CompareNoCase("On") == 0;
}

}  // namespace

BOOL CRegistryFlag::GetSimpleKeyboardFlag() { return ReadSwitch("SimpleKeyboard"); }
BOOL CRegistryFlag::GetDosAutoDetect() { return ReadSwitch("DosAutoDetect"); }
BOOL CRegistryFlag::GetWin95AutoDetect() { return ReadSwitch("Win95AutoDetect"); }
BOOL CRegistryFlag::GetProgramAxis() { return ReadSwitch("ProgramAxis"); }
BOOL CRegistryFlag::GetTrayIcon() { return ReadSwitch("TrayIcon"); }
