#include "qtvutils/qtvutils.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using std::string;

struct Case { const char* what; CString got; string expected; };
// The counted bytes of each case, and the zero byte that always follows them.
void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(c.expected + '\0', string(c.got, c.got.GetLength() + 1)) << c.what;
}

TEST(CStringTest, ConcatenationAndAssignmentKeepEveryCountedByteTakeTheirOwnTextAndGrowWithoutLimit) {
    CString s("ab"), zeros("O\0\0", 3), assigned("x"), emptied("x"), grown, formatted;
    s += s;            // appending itself
    s += s.Mid(1, 2);  // a temporary made from itself
    CString self(s);
    self = static_cast<const char*>(self) + 2;  // assigning from its own storage
    assigned = zeros + zeros;
    emptied = static_cast<const char*>(nullptr);
    const string expected(10000, '7');
    for (int i = 0; i < 1000; ++i) grown += "7777777777";
    formatted.Format("%s-%04u-[%s]", "dev", 7u, expected.c_str());  // sized from the arguments, however long
    Check({{"+= itself", s, "ababba"}, {"= its own", self, "abba"}, {"joined", "<" + (self + 'x') + ">", "<abbax>"},
           {"zeros", assigned, string("O\0\0O\0\0", 6)}, {"null", emptied, ""}, {"length<0", CString("ab", -4), ""},
           {"grown", grown, expected}, {"formatted", formatted, "dev-0007-[" + expected + "]"}});
}

TEST(CStringTest, ExtractionAndSearchClampToTheCountedText) {
    const CString s("Hello, world"), z("ab\0cab", 6);
    Check({{"Left", s.Left(5), "Hello"},   {"Left<0", s.Left(-1), ""},    {"Left>", s.Left(99), "Hello, world"},
           {"Mid", s.Mid(7), "world"},     {"Mid n", s.Mid(7, 3), "wor"}, {"Mid<0", s.Mid(-3, 2), "He"},
           {"Mid>", s.Mid(40, 2), ""},     {"Mid n<0", s.Mid(3, -1), ""}, {"Mid max", s.Mid(10, INT_MAX), "ld"},
           {"Right", s.Right(5), "world"}, {"Right 0", s.Right(0), ""},   {"Right>", s.Right(99), "Hello, world"}});
    EXPECT_EQ((std::vector<int>{4, 2, -1, -1, 3, 4, -1, 0}),
              (std::vector<int>{z.Find('a', 1), z.Find('\0'), z.Find('z'), z.Find('a', 6), z.Find("ca"),
                                z.Find("ab", 1), z.Find("abc"), z.Find("")}));
    CString t("abc");  // indexes outside the text read zero and write nothing
    EXPECT_EQ(string(4, '\0'), string({t.GetAt(3), t[3], t.GetAt(INT_MIN), t[INT_MIN]}));
    for (int i : {2, 3, INT_MIN}) t.SetAt(i, 'X');
    EXPECT_STREQ("abX", t);  // the zero byte after the text too
}

// A const char* operand counts up to its first NUL, a CString its length.
TEST(CStringTest, ComparisonsOrderCountedBytesUnsignedAndShorterFirst) {
    const struct { string a; const char* b; int sign, signNoCase; } rows[] = {
        {"abc", "abc", 0, 0},  {"abc", "abd", -1, -1}, {"ab", "abc", -1, -1}, {"abc", "ab", 1, 1},
        {"ABC", "abc", -1, 0}, {"\xe9", "a", 1, 1},    {"", "a", -1, -1},     {"Zeta", "alpha", -1, 1},
        {string("On\0", 3), "On", 1, 1}};
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const auto& r : rows) {
        const CString a(r.a.data(), static_cast<int>(r.a.size()));
        EXPECT_EQ((std::vector<int>{r.sign, r.sign, r.signNoCase, r.sign < 0, r.sign > 0, r.sign == 0, r.sign != 0}),
                  (std::vector<int>{sign(a.Compare(r.b)), sign(a.Compare(CString(r.b))), sign(a.CompareNoCase(r.b)),
                                    a < r.b, r.b < a, r.b == a, a != r.b}))
            << r.a << " vs " << r.b;
    }
    EXPECT_LT(CString("a\0b", 3).Compare(CString("a\0c", 3)), 0);  // on past an inner zero
}

TEST(CStringTest, BufferIsNeverSmallerThanTheTextAndReleaseSetsTheLength) {
    CString s("abc");
    CopyMemory(s.GetBuffer(10), "0123456789", 11);
    s.ReleaseBuffer();  // up to the zero byte
    EXPECT_EQ("10 0123456789", std::to_string(s.GetLength()) + " " + s.GetBuffer(0));
    s.ReleaseBuffer(4);
    EXPECT_THROW(s.GetBuffer(INT_MAX), std::bad_alloc);
    EXPECT_STREQ("0123", s);  // with its zero byte, unchanged after the failure
}

class CExeClass : public CNotifyTarget {
    DECLARE_DYNAMIC(CExeClass)
};
IMPLEMENT_DYNAMIC(CExeClass, CNotifyTarget)

// A class is derived from itself and its bases, never from a class below it.
TEST(RuntimeClassTest, AnObjectIsOfItsOwnClassAndEveryBaseOnly) {
    EXPECT_TRUE(CExeClass().IsKindOf(RUNTIME_CLASS(CExeClass)) && CExeClass().IsKindOf(RUNTIME_CLASS(CObject)) &&
                !RUNTIME_CLASS(CObject)->IsDerivedFrom(RUNTIME_CLASS(CExeClass)));
}

// What the framework finds, "-" for nothing: each class as "name<base" (no
// name finds none), each string's text (what a failed load leaves), the long
// one's length.
string Lookups() {
    string found;
    for (const char* name : {"CExeClass", "CRemoteMonitor", "CModuleOnlyClass", static_cast<const char*>(nullptr)}) {
        const CRuntimeClass* p = CRuntimeClass::FromName(name);
        found += p ? string(p->m_lpszClassName) + "<" + p->m_pBaseClass->m_lpszClassName + "," : "-,";
    }
    for (UINT id : {100u, 101u, 200u, 102u}) {
        CString s("sentinel");
        found += s.LoadString(id) ? "" : "-";
        found += (id == 102 ? std::to_string(s.GetLength()) : string(s)) + ",";
    }
    return found;
}

// qtv_ext_module.dll registers itself on load and deregisters on unload.
// Strings convert to the ANSI code page, without a length limit.
TEST(ModuleChainTest, AModulesClassesAndStringsAreFoundAfterTheExecutablesWhileItIsLoaded) {
    const string alone = "CExeClass<CNotifyTarget,CRemoteMonitor<CNotifyTarget,-,-,the executable's 100,caf\xe9,-,310,";
    EXPECT_EQ(alone, Lookups());
    HMODULE module = LoadLibraryA("qtv_ext_module.dll");
    ASSERT_NE(nullptr, module);
    EXPECT_EQ("CExeClass<CNotifyTarget,CRemoteMonitor<CNotifyTarget,CModuleOnlyClass<CObject,-,"
              "the executable's 100,caf\xe9,only in the module,310,",
              Lookups());
    FreeLibrary(module);
    EXPECT_EQ(alone, Lookups());
}

const char kClass[] = "QtvFrameworkTestWindow";

// Records every message, and every command with its code; answers WM_APP.
struct CTestWnd : CWnd {
    BOOL Create(const char* windowClass = kClass) {
        const WNDCLASSA wc = {0, AfxWndProc, 0, 0, AfxGetInstanceHandle(), nullptr, nullptr, nullptr, nullptr, kClass};
        RegisterClassA(&wc);  // fails harmlessly once it is registered
        return CreateEx(0, windowClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr);
    }
    BOOL OnCmdMsg(UINT nID, int nCode, void*, void*) override {
        commands.push_back({nID, nCode});
        return TRUE;
    }
    std::vector<UINT> messages;
    std::vector<std::pair<UINT, int>> commands;
    bool boundAtFirstMessage = false;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (messages.empty()) boundAtFirstMessage = m_hWnd && FromHandlePermanent(m_hWnd) == this;
        messages.push_back(message);
        return message == WM_APP ? 1234 : CWnd::WindowProc(message, wParam, lParam);
    }
};

// Control notifications, BN_CLICKED (0) among them, never arrive as plain
// commands.
TEST(WndTest, ObjectIsBoundBeforeCreationReturnsAndGetsEveryMessageWithCommandsByKind) {
    CTestWnd wnd;
    ASSERT_TRUE(wnd.Create() && wnd.boundAtFirstMessage);
    EXPECT_FALSE(wnd.Create());  // one window per object
    EXPECT_EQ(1234, SendMessageA(wnd.m_hWnd, WM_APP, 0, 0));
    const LPARAM control = reinterpret_cast<LPARAM>(wnd.m_hWnd);  // menu, accelerator, two controls
    for (auto c : {std::make_pair(MAKEWPARAM(40001, 0), LPARAM(0)), {MAKEWPARAM(40002, 1), 0},
                   {MAKEWPARAM(7, BN_CLICKED), control}, {MAKEWPARAM(8, EN_CHANGE), control}})
        SendMessageA(wnd.m_hWnd, WM_COMMAND, c.first, c.second);
    EXPECT_EQ((std::vector<std::pair<UINT, int>>{
                  {40001, CN_COMMAND}, {40002, CN_COMMAND}, {7, CN_CONTROL | BN_CLICKED}, {8, CN_CONTROL | EN_CHANGE}}),
              wnd.commands);
}

// Default processing of WM_CLOSE destroys the window; so does the object's
// end. A window of a class without the shared procedure is refused and leaves
// no object pending: a plain window of the framework's class binds none.
TEST(WndTest, HandleMapIsPerThreadForgetsOnlyAWindowAfterItsLastMessageAndRefusesForeignOnes) {
    CTestWnd wnd, refused;
    auto other = std::make_unique<CTestWnd>();
    ASSERT_TRUE(wnd.Create() && other->Create());
    CWnd* seen = &wnd;
    std::thread([&] { seen = CWnd::FromHandlePermanent(wnd.m_hWnd); }).join();
    EXPECT_EQ(nullptr, seen);
    const HWND h = wnd.m_hWnd;
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h) || wnd.m_hWnd || CWnd::FromHandlePermanent(h));
    EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), wnd.messages.back());
    EXPECT_EQ(other.get(), CWnd::FromHandlePermanent(other->m_hWnd));
    const HWND gone = other->m_hWnd;
    other.reset();
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_FALSE(refused.Create("STATIC") || refused.m_hWnd);
    HWND raw = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, AfxGetInstanceHandle(), nullptr);
    EXPECT_TRUE(raw && refused.messages.empty() && !CWnd::FromHandlePermanent(raw));
    DestroyWindow(raw);
}

}  // namespace
