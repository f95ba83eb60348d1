#include "qtvutils/registry.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Decimal text followed by its terminating zero byte, which the held length
// counts: a written number stores that zero and one more.
CString NumberText(int value) {
    CString text;
    text.Format("%d", value);
    text += '\0';
    return text;
}

// The switch words carry six zero bytes each, as the suite has always stored
// them.
CString SwitchText(bool on) {
    static const char kOn[] = "On\0\0\0\0\0\0";
    static const char kOff[] = "Off\0\0\0\0\0\0";
    return on ? CString(kOn, sizeof(kOn) - 1) : CString(kOff, sizeof(kOff) - 1);
}

CString BytesOf(const unsigned char* data, unsigned long size) {
    if (size > INT_MAX) throw std::bad_alloc();  // more than a CString can hold
    return CString(reinterpret_cast<const char*>(data), static_cast<int>(size));
}

}  // namespace

CRegData::CRegData() : m_dwType(REG_SZ), m_nValue(0) {}

CRegData::CRegData(const CString& text) : m_strData(text), m_dwType(REG_SZ), m_nValue(0) {}

CRegData::CRegData(const char* text) : m_strData(text), m_dwType(REG_SZ), m_nValue(0) {}

CRegData::CRegData(const unsigned char* data, unsigned long size, unsigned long type)
    : m_strData(BytesOf(data, size)), m_dwType(type), m_nValue(0) {}

CRegData::CRegData(unsigned int number)
    : m_strData(NumberText(static_cast<int>(number))), m_dwType(REG_SZ), m_nValue(0) {}

CRegData::CRegData(int value, int onOff)
    : m_strData(onOff ? SwitchText(value != 0) : NumberText(value)), m_dwType(REG_SZ), m_nValue(0) {}

CRegData::CRegData(const CRegData& other)
    : m_strData(other.m_strData), m_dwType(other.m_dwType), m_nValue(0) {}

CRegData::~CRegData() = default;

CRegData& CRegData::operator=(const CRegData& other) {
    m_strData = other.m_strData;
    m_dwType = other.m_dwType;
    return *this;
}

CRegData::operator int*() {
    if (m_dwType == REG_BINARY) {
        m_nValue = 0;
    } else if (_stricmp(m_strData, "On") == 0) {
        m_nValue = 1;
    } else if (_stricmp(m_strData, "Off") == 0) {
        m_nValue = 0;
    } else {
        m_nValue = atoi(m_strData);
    }
    return &m_nValue;
}

CRegData::operator unsigned int*() {
    m_nValue = m_dwType == REG_BINARY ? 0 : atoi(m_strData);
    return reinterpret_cast<unsigned int*>(&m_nValue);
}

CRegData::operator unsigned char*() const {
    // The pointer is writable, so it must never be the block that every
    // empty string shares: GetBuffer gives an empty value storage of its own
    // and leaves any other value as it is.
    return reinterpret_cast<unsigned char*>(m_strData.GetBuffer(0));
}

CRegData::operator void*() const { return static_cast<unsigned char*>(*this); }

BOOL CRegData::LoadString(unsigned int id) {
    m_dwType = REG_SZ;
    return m_strData.LoadString(id);
}
