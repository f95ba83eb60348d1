// QTVUtils framework layer: the small application-framework core the library
// is built on (strings, run-time class records, window objects, extension
// module registration) and the types every family shares.
//
// The classes keep the member names of the framework the suite's programs were
// written against, so those programs compile unchanged; they hold only what
// the library itself uses.
//
// Errors: exhausted memory inside CString throws std::bad_alloc (the
// framework's way); everything else reports by result.
#pragma once

#include <windows.h>

#include <cstdarg>

#ifdef QTVUTILS_BUILD
#define QTVUTILS_API __declspec(dllexport)
#else
#define QTVUTILS_API __declspec(dllimport)
#endif

class CObject;
class CArchive;      // serialisation is not supported; Serialize never uses it
class CDumpContext;  // diagnostics are not supported; Dump never uses it

// ---------------------------------------------------------------------------
// CString: counted 8-bit text. The length may count zero bytes inside the
// text; one zero byte always follows the last character, so the data can be
// read as NUL-terminated text. Comparisons are counted (embedded zeros take
// part); a `const char*` operand counts up to its first NUL. Case mapping is
// ASCII only. A null `const char*` is taken as empty text.
// ---------------------------------------------------------------------------
class QTVUTILS_API CString {
public:
    CString();
    CString(const CString& src);
    CString(const char* psz);
    CString(const char* pch, int nLength);
    ~CString();

    int GetLength() const;
    BOOL IsEmpty() const;
    void Empty();

    // An index outside 0 .. length - 1 reads 0 and writes nothing.
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const;
    void SetAt(int nIndex, char ch);
    operator const char*() const { return m_pchData; }

    const CString& operator=(const CString& src);
    const CString& operator=(const char* psz);
    const CString& operator=(char ch);
    const CString& operator+=(const CString& src);
    const CString& operator+=(const char* psz);
    const CString& operator+=(char ch);

    friend QTVUTILS_API CString operator+(const CString& a, const CString& b);
    friend QTVUTILS_API CString operator+(const CString& a, const char* b);
    friend QTVUTILS_API CString operator+(const char* a, const CString& b);
    friend QTVUTILS_API CString operator+(const CString& a, char b);

    // <0, 0, >0 as memcmp over the counted bytes, shorter first on a tie.
    int Compare(const CString& s) const;
    int Compare(const char* psz) const;
    int CompareNoCase(const char* psz) const;

    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;
    // Index of the first match at or after nStart, or -1.
    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;

    void Format(const char* pszFormat, ...) __attribute__((format(gnu_printf, 2, 3)));
    void FormatV(const char* pszFormat, va_list args);
    void MakeUpper();
    void MakeLower();

    // Writable storage of at least nMinBufLength characters plus the zero
    // byte; ReleaseBuffer(-1) takes the length up to the first NUL.
    char* GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);

    // Loads string resource nID from the executable's module, else from the
    // first registered extension module that has it. Non-zero when found;
    // the string is empty otherwise.
    BOOL LoadString(UINT nID);

private:
    struct Header;
    Header* GetHeader() const;
    void AllocBuffer(int nLength);
    void Release();
    void Assign(const char* pch, int nLength);
    void Append(const char* pch, int nLength);

    char* m_pchData;
};

QTVUTILS_API bool operator==(const CString& a, const CString& b);
QTVUTILS_API bool operator==(const CString& a, const char* b);
QTVUTILS_API bool operator==(const char* a, const CString& b);
QTVUTILS_API bool operator!=(const CString& a, const CString& b);
QTVUTILS_API bool operator!=(const CString& a, const char* b);
QTVUTILS_API bool operator!=(const char* a, const CString& b);
QTVUTILS_API bool operator<(const CString& a, const CString& b);
QTVUTILS_API bool operator<(const CString& a, const char* b);
QTVUTILS_API bool operator<(const char* a, const CString& b);

// ---------------------------------------------------------------------------
// Run-time class records. A class declared with DECLARE_DYNAMIC and
// implemented with IMPLEMENT_DYNAMIC carries a CRuntimeClass: its name and
// base, never creatable by name and without a serialisation schema. The
// records of a module become findable by name when the module registers with
// the framework (AfxInitExtensionModule); classes of the executable are
// findable from the start.
// ---------------------------------------------------------------------------
struct QTVUTILS_API CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;                      // 0xFFFF: no serialisation schema
    CObject* (*m_pfnCreateObject)();     // null: not creatable by name
    CRuntimeClass* m_pBaseClass;
    CRuntimeClass* m_pNextClass;         // chain of the module's classes

    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
    // Searches the executable's classes, then each registered module's.
    static CRuntimeClass* FromName(const char* lpszClassName);
};

// Files a class record with the framework during static initialisation.
struct QTVUTILS_API AFX_CLASSINIT {
    explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                 \
public:                                             \
    static CRuntimeClass class##class_name;         \
    CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                               \
    CRuntimeClass class_name::class##class_name = {                                  \
        #class_name, sizeof(class class_name), 0xFFFF, nullptr,                      \
        RUNTIME_CLASS(base_class_name), nullptr};                                    \
    static const AFX_CLASSINIT _qtv_init_##class_name(RUNTIME_CLASS(class_name));    \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

// The root class. Its five virtual operations, in this order, are what every
// derived class's table starts with.
class QTVUTILS_API CObject {
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();
    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& dc) const;

    BOOL IsKindOf(const CRuntimeClass* pClass) const;

    static CRuntimeClass classCObject;

protected:
    CObject() = default;

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

// ---------------------------------------------------------------------------
// Extension modules. A DLL built on the framework registers itself from its
// DllMain on process attach and deregisters on detach; its run-time classes
// (those filed since the last registration) and its resources are then found
// by CRuntimeClass::FromName and CString::LoadString.
// ---------------------------------------------------------------------------
struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
    CRuntimeClass* pFirstSharedClass;
    AFX_EXTENSION_MODULE* pNextModule;
};

QTVUTILS_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
QTVUTILS_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state);

// ---------------------------------------------------------------------------
// CWnd: a window object. Windows created through CreateEx use the shared
// window procedure AfxWndProc, which hands every message to the object's
// virtual WindowProc. Each thread keeps a map of the windows its CWnd objects
// created (FromHandlePermanent); the object is bound before CreateEx returns
// and unbound when the window is destroyed.
// ---------------------------------------------------------------------------

// OnCmdMsg codes: a menu or accelerator command (WM_COMMAND with lParam 0)
// arrives with CN_COMMAND; a control notification with CN_CONTROL set and the
// control's notification code in the low 16 bits, so it is never 0.
const int CN_COMMAND = 0;
const int CN_CONTROL = 0x10000;

class QTVUTILS_API CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    ~CWnd() override;  // destroys the window

    HWND m_hWnd;

    BOOL CreateEx(DWORD dwExStyle, const char* lpszClassName, const char* lpszWindowName,
                  DWORD dwStyle, int x, int y, int nWidth, int nHeight, HWND hWndParent,
                  HMENU nIDorHMenu, LPVOID lpParam = nullptr);
    virtual BOOL DestroyWindow();
    BOOL ShowWindow(int nCmdShow);
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The CWnd of the calling thread that created hWnd, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Command routing: true when the command was handled. The default
    // handles nothing.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);

protected:
    // Default: WM_COMMAND goes to OnCmdMsg; what it does not handle, and
    // every other message, goes to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
};

// The window procedure to register for classes whose windows are CWnds.
QTVUTILS_API LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// The instance handle of the library's own module.
QTVUTILS_API HINSTANCE AfxGetInstanceHandle();

// ---------------------------------------------------------------------------
// CRefCounted: the reference-counted base of most of the library's classes.
// Every constructor sets the count to 1; copying or assigning an object never
// copies its count. No lock guards the count: an object is counted on one
// thread.
// ---------------------------------------------------------------------------
class QTVUTILS_API CRefCounted {
public:
    CRefCounted() : m_nRefCount(1) {}
    CRefCounted(const CRefCounted&) : m_nRefCount(1) {}
    CRefCounted& operator=(const CRefCounted&) { return *this; }

    virtual ~CRefCounted();
    virtual CRefCounted* Lock();   // counts up, returns this object
    virtual void AddRef();
    // At count 1 destroys the object and returns 0 (the count is not stored);
    // otherwise counts down and returns the new count.
    virtual LONG Release();
    virtual LONG GetRefCount();

private:
    LONG m_nRefCount;
};

// The library's shared empty text: what its text classes use in place of a
// null text.
extern QTVUTILS_API const char QtvEmptyText[1];

// The blanks a path name drops from its start and from the start of each of
// its components: the skip set (a space and a tab) that CPathName hands to a
// CTokenizer.
extern QTVUTILS_API const char QtvWhiteSpaceChars[3];

// No-op exports kept for the suite's programs: they do nothing and return.
extern "C" {
QTVUTILS_API void WriteEvent(...);
QTVUTILS_API void DumpCallStack(...);
}
