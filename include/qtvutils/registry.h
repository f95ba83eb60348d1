// QTVUtils registry access: typed values (CRegData), open keys (CRegEntry)
// and iterators over a key's subkeys and values.
//
// Results: every CRegEntry operation and every iterator read returns a Win32
// registry result (0 = success), and CRegEntry keeps it in m_lLastError. The
// library adds three meanings of its own:
//   8   (ERROR_NOT_ENOUGH_MEMORY) a buffer or temporary could not be
//       allocated, or the key could not be reopened for writing;
//   11  (ERROR_BAD_FORMAT) a text read met a value that is not REG_SZ;
//   234 (ERROR_MORE_DATA) a name or data no longer fits a buffer sized from
//       the entry's count snapshot: call ResetCounts and read again.
// Every other code is the platform's, passed through. On failure every output
// argument is left untouched and the entry stays usable. Factories return
// null on any failure and keep no code.
//
// An entry and its iterators belong to one thread at a time; an iterator must
// not outlive its entry.
#pragma once

#include "qtvutils/framework.h"

// ---------------------------------------------------------------------------
// CRegData: a run of bytes and the registry type they are stored under. The
// length of m_strData is the number of bytes held (zero bytes included); one
// more zero byte always follows them, and a write stores length + 1 bytes.
// ---------------------------------------------------------------------------
class QTVUTILS_API CRegData {
public:
    CRegData();                                  // no bytes, REG_SZ
    CRegData(const CString& text);               // the text's bytes, no terminator, REG_SZ
    CRegData(const char* text);                  // the text up to its NUL, no terminator, REG_SZ
    CRegData(const unsigned char* data, unsigned long size, unsigned long type);
    // Decimal text of number read as a signed 32-bit integer, plus its zero
    // byte (4294967295 is held as "-1\0"). REG_SZ.
    CRegData(unsigned int number);
    // onOff == 0: decimal text of value plus its zero byte. Otherwise the
    // switch form: "On" and six zero bytes (8) when value != 0, "Off" and six
    // zero bytes (9) when value == 0. REG_SZ.
    CRegData(int value, int onOff);
    CRegData(const CRegData& other);             // bytes and type; the slot starts at 0
    virtual ~CRegData();

    // Copies every held byte and the type, never m_nValue.
    CRegData& operator=(const CRegData& other);

    unsigned long GetType() const { return m_dwType; }

    // Both conversions recompute m_nValue from the held text (up to its first
    // zero byte) by atoi's rule and return its address. Only the signed one
    // also takes "On" as 1 and "Off" as 0, in any letter case. REG_BINARY
    // bytes are never parsed: the slot becomes 0.
    operator int*();
    operator unsigned int*();

    // The first held byte (both give the same address), writable up to the
    // length; an empty value gets a byte of its own for it.
    operator unsigned char*() const;
    operator void*() const;

    // Sets the type to REG_SZ and the bytes to string resource id (empty when
    // missing); non-zero when the resource was found.
    BOOL LoadString(unsigned int id);

    mutable CString m_strData;  // mutable: the byte pointers above are writable
    unsigned long m_dwType;
    int m_nValue;
};

class CRegIterator;
namespace qtv {
struct EnumeratedValue;
}

// ---------------------------------------------------------------------------
// CRegEntry: one open registry key, made only by the static factories and
// destroyed with its virtual destructor or Release.
//
// Opening takes a snapshot of the key's counts (each maximum with room for a
// terminator) that sizes every later read; ResetCounts and every successful
// write refresh it, deletions do not. When the key is opened for reading and
// holds exactly one value, that value is kept in m_strValueName/m_ValueData.
// ---------------------------------------------------------------------------
class QTVUTILS_API CRegEntry : public CRefCounted {
public:
    // Open for reading; the empty path opens the parent's key again.
    static CRegEntry* OpenExisting(HKEY root, const CString& path);
    static CRegEntry* OpenExisting(CRegEntry* const parent, const CString& path);
    static CRegEntry* OpenExisting(CRegEntry* const parent);
    // Under HKEY_LOCAL_MACHINE, prefix + "{identifier}" must name a key with
    // exactly one value; its text is the HKEY_LOCAL_MACHINE path opened.
    static CRegEntry* OpenExisting(const char* prefix, const GUID& id);
    // Open for writing, creating the key and every missing key on the way
    // (volatile: gone after a restart of the system).
    static CRegEntry* CreateNew(HKEY root, const CString& path);
    static CRegEntry* CreateNew(CRegEntry* const parent, const CString& path);
    // The same two under a root, also giving the registry result of the
    // attempt: 0 with an entry, otherwise the code that made it fail (8 when
    // the entry could not be allocated).
    static CRegEntry* OpenExisting(HKEY root, const CString& path, LONG& result);
    static CRegEntry* CreateNew(HKEY root, const CString& path, LONG& result);

    ~CRegEntry() override;

    // Reads a value. The text form gives its bytes up to the first zero byte,
    // whatever its type.
    LONG LocateValueData(const CString& name, CRegData& data);
    LONG LocateValueData(const CString& name, CString& text);
    // Writes a value, also through an entry opened for reading. The text form
    // writes length + 1 bytes as REG_SZ; the CRegData form length + 1 bytes
    // of the held type.
    LONG SetValueData(const CString& name, const unsigned char* data, unsigned long type,
                      unsigned long size);
    LONG SetValueData(const CString& name, const CString& text);
    LONG SetValueData(const CString& name, const CRegData& data);
    LONG DeleteValue(const CString& name);
    // Deletes the subkey with everything below it.
    LONG DeleteSubkey(const CString& name);
    // Copies this key's subkeys (depth first, before a key's own values) and
    // values into target's key, as they were when the copy began: a target
    // inside this key gets one copy. Nothing in the target is deleted. Every
    // value is written with one extra zero byte. A value that cannot be read
    // is skipped and the result is the read result of the key's last value; a
    // subkey whose name cannot be read or whose copy ends in failure ends the
    // walk of its siblings and skips its parent's values, with that result.
    // What was read before a failure is still written. 8 when the copy does
    // not fit in memory.
    LONG CopyStructure(CRegEntry* const target);
    LONG ResetCounts();

private:
    HKEY m_hKey;
    LONG m_lLastError;

public:
    CString m_strValueName;
    CRegData m_ValueData;
    // The count snapshot. A raw CurrentValue buffer needs m_dwMaxValueLen
    // bytes.
    DWORD m_dwSubkeys;
    DWORD m_dwMaxSubkeyLen;     // longest subkey name + 1, in characters
    DWORD m_dwValues;
    DWORD m_dwMaxValueNameLen;  // longest value name + 1, in characters
    DWORD m_dwMaxValueLen;      // largest data + 1, in bytes

private:
    // The rights m_hKey was opened with, so that writes reuse it when they can.
    REGSAM m_samAccess;

    CRegEntry();
    CRegEntry(const CRegEntry&) = delete;
    CRegEntry& operator=(const CRegEntry&) = delete;

    static CRegEntry* Open(HKEY parent, const char* path, REGSAM sam, LONG* pResult = nullptr);
    void OpenKey(HKEY parent, const char* path, REGSAM sam);
    void CreateKey(HKEY parent, const char* path, REGSAM sam);
    HKEY KeyAllowing(REGSAM rights, HKEY* pReopened) const;

    friend class CRegIterator;
};

// ---------------------------------------------------------------------------
// Iterators walk an entry by position. The count is copied at construction
// from the entry's snapshot; call Next() before each read:
//     CRegSubkeyIterator it(entry);
//     while (it.Next()) it.CurrentSubkey(name);
// A key changed during the walk gives the platform's codes (259 for a
// position that no longer exists, 234 for a name or data that no longer
// fits).
// ---------------------------------------------------------------------------
class QTVUTILS_API CRegIterator {
public:
    virtual ~CRegIterator();

    // Moves on; non-zero while the new position is below m_nCount.
    BOOL Next();

    CRegEntry* m_pEntry;
    int m_nIndex;  // -1 before the first Next()
    int m_nCount;

protected:
    CRegIterator(CRegEntry* entry, DWORD count);  // entry must not be null
    HKEY EntryKey() const { return m_pEntry->m_hKey; }
};

class QTVUTILS_API CRegSubkeyIterator : public CRegIterator {
public:
    explicit CRegSubkeyIterator(CRegEntry* entry);

    LONG CurrentSubkey(CString& name);
};

class QTVUTILS_API CRegValueIterator : public CRegIterator {
public:
    explicit CRegValueIterator(CRegEntry* entry);

    // REG_SZ values only: 11 for any other type. The text ends at the first
    // zero byte.
    LONG CurrentValue(CString& name, CString& text);
    // Copies the bytes to data and writes one zero byte after them: data
    // must hold the entry's m_dwMaxValueLen bytes (234 when the value no
    // longer leaves room for that zero byte).
    LONG CurrentValue(CString& name, unsigned char* data, unsigned long* size, unsigned long* type);
    LONG CurrentValue(CString& name, CRegData& data);

private:
    LONG EnumerateCurrent(qtv::EnumeratedValue& value) const;
};
