#include "qtvutils/resources.h"

#include "qtvutils/files.h"
#include "qtvutils/registry.h"

#include "framework/scoped_handle.h"

#include <memory>
#include <utility>

namespace {

const char kInstallKey[] = "SOFTWARE\\Quorvane\\Entertainment\\CurrentVersion";

}  // namespace

CResourceMgr::CResourceMgr(HINSTANCE hInstance)
    : m_bInitializeCalled(0), m_hModule2(nullptr), m_hModule4(nullptr), m_hModule1(nullptr),
      m_hModule3(nullptr) {
    // CPathName holds 259 characters. A longer name fills the area and the
    // platform reports its size: cut, its directory could name another
    // folder, so it is not used.
    char szFileName[MAX_PATH];
    DWORD nLength = GetModuleFileNameA(hInstance, szFileName, MAX_PATH);
    if (nLength > 0 && nLength < MAX_PATH) m_strModuleDir = CPathName(szFileName).Path();

    std::unique_ptr<CRegEntry> key(CRegEntry::OpenExisting(HKEY_LOCAL_MACHINE, kInstallKey));
    if (key) {
        // A value that is missing or unreadable leaves its string empty.
        key->LocateValueData("Install Directory", m_strInstallDir);
        key->LocateValueData("HelpFileName", m_strHelpFileName);
    }
}

CResourceMgr::~CResourceMgr() {
    for (HMODULE* pModule : {&m_hModule2, &m_hModule4, &m_hModule1, &m_hModule3})
        qtv::ScopedModule::CloseField(*pModule);
}

HMODULE CResourceMgr::LoadModule(const char* pszName) const {
    HMODULE hModule = nullptr;
    if (!m_strInstallDir.IsEmpty()) hModule = LoadLibraryA(m_strInstallDir + "\\" + pszName);
    // The module directory ends in '\' already; the doubled separator is
    // accepted by the platform's path handling.
    if (!hModule && !m_strModuleDir.IsEmpty()) hModule = LoadLibraryA(m_strModuleDir + "\\" + pszName);
    if (!hModule) hModule = LoadLibraryA(pszName);
    return hModule;
}

BOOL CResourceMgr::HelpFileIn(const CString& strDir) const {
    qtv::ScopedHandle file(CreateFileA(strDir + "\\" + m_strHelpFileName, GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

BOOL CResourceMgr::Initialize(const char* pszName1, const char* pszName2, const char* pszName3,
                              const char* pszName4, const char* pszDefaultHelpFile) {
    m_bInitializeCalled = 1;
    // An empty name would make the candidates a bare directory, or nothing,
    // which the platform may answer with a module of its own choosing.
    const std::pair<const char*, HMODULE*> modules[] = {
        {pszName2, &m_hModule2}, {pszName1, &m_hModule1}, {pszName4, &m_hModule4}, {pszName3, &m_hModule3}};
    for (const auto& module : modules)
        if (module.first && *module.first) *module.second = LoadModule(module.first);

    if (m_strHelpFileName.IsEmpty()) m_strHelpFileName = pszDefaultHelpFile;
    if (!m_strHelpFileName.IsEmpty()) {
        if (!m_strInstallDir.IsEmpty() && HelpFileIn(m_strInstallDir)) {
            m_strHelpDir = m_strInstallDir;
        } else if (!m_strModuleDir.IsEmpty() && HelpFileIn(m_strModuleDir)) {
            m_strHelpDir = m_strModuleDir;
        }
    }
    return m_hModule1 && m_hModule2;
}

HINSTANCE CResourceMgr::FindResourceDLL(const char* lpName, const char* lpType, UINT nSearch) {
    const std::pair<UINT, HMODULE> order[] = {{0x1, m_hModule4}, {0x2, m_hModule2}, {0x4, m_hModule3}, {0x8, m_hModule1}};
    for (const auto& module : order)
        if ((nSearch & module.first) && module.second && FindResourceA(module.second, lpName, lpType))
            return module.second;
    return nullptr;
}
