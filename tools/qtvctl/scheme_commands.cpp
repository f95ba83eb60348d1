#include "commands.h"
#include "reg_file.h"
#include "report.h"

#include "qtvutils/settings.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using EntryPtr = std::unique_ptr<CRegEntry>;

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

// Registration files are small; a larger one is not one.
const LONGLONG kMaxFileSize = 64 << 20;

std::string Text(const CString& s) { return std::string(s, s.GetLength()); }

// 0, or the last error.
DWORD ReadWholeFile(const std::string& path, std::string& text) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    FileHandle file(h);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size)) return GetLastError();
    if (size.QuadPart > kMaxFileSize) return ERROR_FILE_TOO_LARGE;
    text.resize(static_cast<size_t>(size.QuadPart));
    DWORD n = 0;
    if (!text.empty() && !ReadFile(h, &text[0], static_cast<DWORD>(text.size()), &n, nullptr)) return GetLastError();
    text.resize(n);
    return ERROR_SUCCESS;
}

DWORD WriteWholeFile(const std::string& path, const std::string& text) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    FileHandle file(h);
    DWORD n = 0;
    if (!WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr)) return GetLastError();
    return n == text.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

// A scheme name is one key name: it cannot name the tree itself or a key
// inside a scheme.
bool IsSchemeName(const std::string& name) {
    return !name.empty() && name.size() <= 255 && name.find('\\') == std::string::npos;
}

int NotASchemeName(const std::string& name) {
    return Complain(kExitUsage, "\"%s\" is not a scheme name: one key name, without a backslash", name.c_str());
}

// The user's tree of schemes of --product and --app. Open reads the current
// scheme, which makes the user's tree on first use exactly as the suite's
// programs make it; every command starts there.
class SchemeTree {
public:
    explicit SchemeTree(const Options& o) : m_scheme(o.product.c_str(), o.app.c_str()) {}

    int Open() {
        LONG r = m_scheme.GetCurrentScheme(m_current);
        return r ? Complain(kExitFailed, "cannot read the current scheme: %s", CodeText(r).c_str()) : kExitOk;
    }
    // The user's scheme of that name in any ASCII letter case, spelled as the
    // registry spells it; 2 when the user has none.
    LONG Find(const std::string& name, CString& actual) {
        CString walked;
        LONG r = m_scheme.GetFirstScheme(walked);
        for (; r == ERROR_SUCCESS; r = m_scheme.GetNextScheme(walked))
            if (walked.CompareNoCase(name.c_str()) == 0) {
                actual = walked;
                return ERROR_SUCCESS;
            }
        // The walk ends in 232, or in 8 on a tree without schemes.
        return r == ERROR_NO_DATA || r == ERROR_NOT_ENOUGH_MEMORY ? ERROR_FILE_NOT_FOUND : r;
    }
    // Find, with the complaint when it fails.
    int FindOrComplain(const std::string& name, CString& actual) {
        LONG r = Find(name, actual);
        if (r == ERROR_FILE_NOT_FOUND) return Complain(kExitFailed, "the user has no scheme \"%s\"", name.c_str());
        return r ? Complain(kExitFailed, "cannot walk the schemes: %s", CodeText(r).c_str()) : kExitOk;
    }
    CString KeyPath(const std::string& scheme) const {
        return m_scheme.CreateSchemePath() + "\\" + scheme.c_str();
    }

    CRegScheme m_scheme;
    CString m_current;
};

// Adds the key at path below HKEY_CURRENT_USER to the file: its values, then
// its subkeys depth first, as regedit orders them.
bool ExportKey(const CString& path, RegFileWriter& file, std::string& error) {
    const std::string where = "HKEY_CURRENT_USER\\" + Text(path);
    auto fail = [&](const std::string& what) {
        error = what;
        return false;
    };
    LONG r = ERROR_SUCCESS;
    EntryPtr key(CRegEntry::OpenExisting(HKEY_CURRENT_USER, path, r));
    if (!key) return fail("cannot open " + where + ": " + CodeText(r));
    if (!file.Section(where)) return fail("a file cannot hold the key name " + where + ": a control character");
    CRegValueIterator values(key.get());
    while (values.Next()) {
        CString name;
        CRegData data;
        if ((r = values.CurrentValue(name, data)) != ERROR_SUCCESS)
            return fail("cannot read a value of " + where + ": " + CodeText(r));
        if (!file.Value(Text(name), data.m_dwType, Text(data.m_strData)))
            return fail("a file cannot hold the name of a value of " + where + ": a control character");
    }
    std::vector<CString> subkeys;
    CRegSubkeyIterator walk(key.get());
    while (walk.Next()) {
        CString name;
        if ((r = walk.CurrentSubkey(name)) != ERROR_SUCCESS)
            return fail("cannot read a subkey of " + where + ": " + CodeText(r));
        subkeys.push_back(name);
    }
    for (const CString& name : subkeys)
        if (!ExportKey(path + "\\" + name, file, error)) return false;
    return true;
}

}  // namespace

int RunSchemes(const Options& o) {
    SchemeTree tree(o);
    if (int status = tree.Open()) return status;
    CString name;
    LONG r = tree.m_scheme.GetFirstScheme(name);
    if (r == ERROR_NOT_ENOUGH_MEMORY) return kExitOk;  // a tree without schemes
    for (; r == ERROR_SUCCESS; r = tree.m_scheme.GetNextScheme(name)) {
        printf("%c %s\n", name.CompareNoCase(tree.m_current) == 0 ? '*' : ' ', static_cast<const char*>(name));
    }
    if (r != ERROR_NO_DATA) return Complain(kExitFailed, "cannot walk the schemes: %s", CodeText(r).c_str());
    return kExitOk;
}

int RunCurrent(const Options& o) {
    SchemeTree tree(o);
    if (o.args.empty()) {
        if (int status = tree.Open()) return status;
        printf("%s\n", static_cast<const char*>(tree.m_current));
        return kExitOk;
    }
    const std::string& name = o.args[0];
    if (!IsSchemeName(name)) return NotASchemeName(name);
    CString actual;
    if (int status = tree.Open()) return status;
    if (int status = tree.FindOrComplain(name, actual)) return status;
    // Stored as the registry spells it: the library compares names exactly,
    // so deleting the scheme later makes ".Default" current again.
    LONG r = tree.m_scheme.SetCurrentScheme(actual);
    return r ? Complain(kExitFailed, "cannot set the current scheme: %s", CodeText(r).c_str()) : kExitOk;
}

int RunNew(const Options& o) {
    const std::string& name = o.args[0];
    if (!IsSchemeName(name)) return NotASchemeName(name);
    SchemeTree tree(o);
    if (int status = tree.Open()) return status;
    LONG r = tree.m_scheme.NewSchemeKey(name.c_str());
    return r ? Complain(kExitFailed, "cannot make scheme \"%s\": %s", name.c_str(), CodeText(r).c_str()) : kExitOk;
}

int RunDelete(const Options& o) {
    const std::string& name = o.args[0];
    if (!IsSchemeName(name)) return NotASchemeName(name);
    SchemeTree tree(o);
    if (int status = tree.Open()) return status;
    // In the registry's spelling, so that the library's refusal of
    // ".Default" holds in every letter case.
    CString actual = name.c_str();
    tree.Find(name, actual);
    LONG r = tree.m_scheme.DeleteSchemeKey(actual);
    if (r == ERROR_NO_DATA) return Complain(kExitFailed, "the default scheme \".Default\" cannot be deleted");
    return r ? Complain(kExitFailed, "cannot delete scheme \"%s\": %s", name.c_str(), CodeText(r).c_str()) : kExitOk;
}

int RunExport(const Options& o) {
    const std::string &name = o.args[0], &path = o.args[1];
    if (!IsSchemeName(name)) return NotASchemeName(name);
    SchemeTree tree(o);
    CString actual;
    if (int status = tree.Open()) return status;
    if (int status = tree.FindOrComplain(name, actual)) return status;
    RegFileWriter file;
    std::string error;
    if (!ExportKey(tree.KeyPath(Text(actual)), file, error)) return Complain(kExitFailed, "%s", error.c_str());
    DWORD e = WriteWholeFile(path, file.Text());
    return e ? Complain(kExitFailed, "cannot write %s: %s", path.c_str(), CodeText(e).c_str()) : kExitOk;
}

int RunImport(const Options& o) {
    const std::string& path = o.args[0];
    if (o.args.size() > 1 && !IsSchemeName(o.args[1])) return NotASchemeName(o.args[1]);
    std::string text;
    if (DWORD e = ReadWholeFile(path, text))
        return Complain(kExitFailed, "cannot read %s: %s", path.c_str(), CodeText(e).c_str());

    // The whole file is checked before anything is written.
    SchemeTree tree(o);
    RegFileContent content;
    int line = 0;
    std::string what;
    if (!ParseRegFile(text, "HKEY_CURRENT_USER\\" + Text(tree.m_scheme.CreateSchemePath()), content, line, what))
        return Complain(kExitFailed, "%s:%d: %s; nothing was imported", path.c_str(), line, what.c_str());

    if (int status = tree.Open()) return status;
    const CString scheme = tree.KeyPath(o.args.size() > 1 ? o.args[1] : content.scheme);
    for (const RegFileSection& section : content.sections) {
        const CString key = section.subkey.empty() ? scheme : scheme + "\\" + section.subkey.c_str();
        LONG r = ERROR_SUCCESS;
        EntryPtr entry(CRegEntry::CreateNew(HKEY_CURRENT_USER, key, r));
        if (!entry)
            return Complain(kExitFailed, "cannot create HKEY_CURRENT_USER\\%s: %s", static_cast<const char*>(key),
                            CodeText(r).c_str());
        for (const RegFileValue& v : section.values) {
            r = entry->SetValueData(v.name.c_str(), reinterpret_cast<const unsigned char*>(v.bytes.data()), v.type,
                                    static_cast<unsigned long>(v.bytes.size()));
            if (r)
                return Complain(kExitFailed, "cannot write value \"%s\" of HKEY_CURRENT_USER\\%s: %s", v.name.c_str(),
                                static_cast<const char*>(key), CodeText(r).c_str());
        }
    }
    return kExitOk;
}

int RunFlags(const Options&) {
    const struct {
        const char* name;
        BOOL (*read)();
    } kSwitches[] = {
        {"SimpleKeyboard", CRegistryFlag::GetSimpleKeyboardFlag}, {"DosAutoDetect", CRegistryFlag::GetDosAutoDetect},
        {"Win95AutoDetect", CRegistryFlag::GetWin95AutoDetect},   {"ProgramAxis", CRegistryFlag::GetProgramAxis},
        {"TrayIcon", CRegistryFlag::GetTrayIcon},
    };
    for (const auto& s : kSwitches) printf("%-16s%s\n", s.name, s.read() ? "on" : "off");
    return kExitOk;
}
