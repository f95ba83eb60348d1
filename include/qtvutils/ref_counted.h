// QTVUtils: CRefCounted, the reference-counted base of most of the library's
// classes.
#pragma once

#include "qtvutils/api.h"

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
