#include "qtvutils/ref_counted.h"

CRefCounted::~CRefCounted() = default;

CRefCounted* CRefCounted::Lock() {
    ++m_nRefCount;
    return this;
}

void CRefCounted::AddRef() { ++m_nRefCount; }

LONG CRefCounted::Release() {
    // The last reference destroys the object without storing 0 first.
    if (m_nRefCount == 1) {
        delete this;
        return 0;
    }
    return --m_nRefCount;
}

LONG CRefCounted::GetRefCount() { return m_nRefCount; }
