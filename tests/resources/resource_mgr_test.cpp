#include "resource_fixture.h"

#include <array>

// Beside the tests: qtvres1..4.dll; the build adds qtvres-install (modules 1
// and 2, both.hlp, install.hlp) and qtvres-moddir (modules 1 and 3, both.hlp,
// moddir.hlp), whose module 1 gives the manager its module folder. Modules 1
// to 4 and the help file came from: i the install folder, m the module
// folder, b beside the tests, - nowhere.
TEST_F(ResourceTest, ModulesAndHelpFileComeFromTheInstallFolderThenTheModuleFolder) {
    const std::string bin = qtvtest::ExeDir(), install = bin + "qtvres-install", moddir = bin + "qtvres-moddir\\";
    const char *n1 = "qtvres1.dll", *n2 = "qtvres2.dll", *n3 = "qtvres3.dll", *n4 = "qtvres4.dll", *none = "qtvres-none.dll";
    HMODULE anchor = LoadLibraryA((moddir + n1).c_str());
    // install set, help value, names, default help, result, modules from, help name, help from
    const std::tuple<bool, const char*, std::array<const char*, 4>, const char*, BOOL, const char*, const char*, char> rows[] = {
        {true, "both.hlp", {n1, n2, n3, n4}, "moddir.hlp", 1, "iimb", "both.hlp", 'i'},
        {false, nullptr, {n1, n2, n3, n4}, "both.hlp", 1, "mbmb", "both.hlp", 'm'},
        {true, "", {none, n2, n3, n4}, "moddir.hlp", 0, "-imb", "moddir.hlp", 'm'},
        {true, "nowhere.hlp", {n1, n2, "", none}, "both.hlp", 1, "ii--", "nowhere.hlp", '-'},
        {false, nullptr, {n1, nullptr, n3, n4}, nullptr, 0, "m-mb", "", '-'}};
    for (const auto& [installed, help, names, fallback, ok, from, helpName, helpFrom] : rows) {
        SetValue("Install Directory", installed ? install.c_str() : nullptr);
        SetValue("HelpFileName", help);
        CResourceMgr mgr(anchor);
        EXPECT_EQ(ok, mgr.Initialize(names[0], names[1], names[2], names[3], fallback)) << from;
        std::string found;
        for (UINT bit : {0x8u, 0x2u, 0x4u, 0x1u}) {
            char path[MAX_PATH] = "";
            if (HMODULE h = mgr.FindResourceDLL(MAKEINTRESOURCEA(1), RT_RCDATA, bit)) GetModuleFileNameA(h, path, MAX_PATH);
            const std::string file = "qtvres" + std::to_string(found.size() + 1) + ".dll";
            found += !*path ? '-' : path == install + "\\" + file ? 'i' : path == moddir + file ? 'm' : path == bin + file ? 'b' : '?';
        }
        EXPECT_EQ(from, found);
        EXPECT_EQ((installed ? install : "") + "|" + moddir + "|" + helpName + "|" + (helpFrom == 'i' ? install : helpFrom == 'm' ? moddir : ""),
                  std::string(mgr.m_strInstallDir + "|" + mgr.m_strModuleDir + "|" + mgr.m_strHelpFileName + "|" + mgr.m_strHelpDir));
    }
    FreeLibrary(anchor);
}

// Resource 1 is in every module, resource 2 in modules 4 and 1 only.
TEST_F(ResourceTest, SearchTakesTheSelectedModulesInTheOrderFourTwoThreeOne) {
    CResourceMgr& mgr = Mgr();
    const std::tuple<UINT, UINT, const char*> rows[] = {{1, 0xF, "qtvres4.dll"}, {1, 0x6, "qtvres2.dll"}, {1, 0xC, "qtvres3.dll"},
                                                        {1, 0x18, "qtvres1.dll"}, {1, 0, nullptr}, {1, ~0xFu, nullptr},
                                                        {2, 0x9, "qtvres4.dll"}, {2, 0x6, nullptr}};
    for (const auto& [id, mask, module] : rows)
        EXPECT_EQ(module ? GetModuleHandleA(module) : nullptr, mgr.FindResourceDLL(MAKEINTRESOURCEA(id), RT_RCDATA, mask)) << id << " mask " << mask;
}
