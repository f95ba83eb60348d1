// QTVUtils framework layer: the root class CObject and the run-time class
// records (CRuntimeClass) that name a class and its base.
#pragma once

#include "qtvutils/api.h"

class CObject;
class CArchive;      // serialisation is not supported; Serialize never uses it
class CDumpContext;  // diagnostics are not supported; Dump never uses it

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
