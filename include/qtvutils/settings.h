// QTVUtils settings tree: the suite's schemes (profiles) with their device
// and page-extension keys, the user's copy of the machine-wide schemes and
// the user's current scheme (CRegScheme, CRegDevice, CRegModule, CRegUser);
// and the five control-center switches (CRegistryFlag). Built on the
// registry classes of registry.h.
//
// Layout, with P = "SOFTWARE\Quorvane\<product>\CurrentVersion\<application>\Schemes"
// under both roots:
//   HKLM\P\<scheme>                        machine-wide schemes, made by the installer
//   HKLM\P\<scheme>\Devices\.Default\0000  the scheme's device template
//   HKLM\P\<scheme>\Devices\<name>\<nnnn>  device keys made by NewDeviceKey
//   HKCU\P                                 the user's copy, value "Current Scheme"
// The user's copy is made from the machine-wide P on first use. Keys the
// library creates are volatile (see CRegEntry::CreateNew), so the user's copy
// is made again after a restart of the system.
//
// Results: every operation returning LONG returns a Win32 registry result,
// 0 for success, with these meanings of the library's own:
//   8   (ERROR_NOT_ENOUGH_MEMORY) the user's P or scheme key cannot be
//       opened or created; a walk without a successful GetFirstScheme, or
//       GetFirstScheme on a tree without schemes;
//   123 (ERROR_INVALID_NAME) DeleteSchemeKey with a name that is not a
//       single key name (empty, or holding a backslash): it would delete the
//       user's whole tree, or a part of a scheme;
//   232 (ERROR_NO_DATA) GetNextScheme past the last scheme (again on every
//       later call); DeleteSchemeKey(".Default").
// Every other code is the platform's, passed through. On failure every
// output argument is left untouched. Key paths handed out carry no root.
//
// The objects are reference-counted (count 1 at construction). CRegDevice,
// CRegModule and CRegUser hold a counted reference to their scheme and drop
// it when destroyed; their key operations need a scheme. Names are compared
// exactly (case-sensitive), although the registry's are not.
#pragma once

#include "qtvutils/registry.h"

class QTVUTILS_API CRegScheme : public CRefCounted {
public:
    CRegScheme(const CString& productKey, const CString& applicationKey);  // opens nothing
    ~CRegScheme() override;

    // P, without a root.
    CString CreateSchemePath() const;

    // The user's current scheme. On first use the user's tree is copied from
    // the machine-wide one; a "Current Scheme" that is missing or cannot be
    // read is written as ".Default". The named scheme need not exist.
    LONG GetCurrentScheme(CString& name);
    // Needs the user's tree (8 without it); the name is not checked.
    LONG SetCurrentScheme(const CString& name);
    // P + "\" + the current scheme, read afresh on every call.
    LONG GetSchemeKey(CString& key);
    // Creates the user's scheme as a copy of the machine-wide scheme of that
    // name (an empty key when there is none). A scheme the user already has
    // is left as it is: 0, nothing copied. Only that scheme is copied: on a
    // user without a tree, the tree made on the way holds it alone, and the
    // machine-wide tree is not copied by a later first use.
    LONG NewSchemeKey(const CString& name);
    // Deletes the user's scheme with everything below it (never the
    // machine-wide one or device keys); deleting the current scheme makes
    // ".Default" current. ".Default" itself is refused (232), exactly that
    // spelling: the registry takes ".DEFAULT" for the same key and deletes
    // it. A scheme the user does not have gives the platform's 2.
    LONG DeleteSchemeKey(const CString& name);

    // The walk over the user's schemes in the platform's enumeration order,
    // counted when GetFirstScheme opens the user's P (it never creates it).
    // GetFirstScheme again restarts the walk; the key stays open until then
    // or until the scheme is destroyed.
    LONG GetFirstScheme(CString& name);
    LONG GetNextScheme(CString& name);

private:
    CRegEntry* m_pSchemesKey;               // the walk's key; owned
    CRegSubkeyIterator* m_pSchemeIterator;  // the walk; owned

public:
    CString m_strProductKey;      // between "Quorvane" and "CurrentVersion" in P
    CString m_strApplicationKey;  // between "CurrentVersion" and "Schemes" in P

private:
    CRegScheme(const CRegScheme&) = delete;
    CRegScheme& operator=(const CRegScheme&) = delete;
    void EndWalk();
};

// One device instance of the current scheme. The key texts end in
// "\Devices\<name>\<number as %4.4u>" and its "\Assignments", "\Annimations"
// (so spelled) and "\Usability" keys, below the current scheme's key.
class QTVUTILS_API CRegDevice : public CRefCounted {
public:
    CRegDevice(const CString& name, unsigned int number, CRegScheme* scheme);  // scheme may be null
    ~CRegDevice() override;

    LONG GetDeviceKey(CString& key);
    LONG GetAssignmentKey(CString& key);
    LONG GetAnimationKey(CString& key);
    LONG GetUsabilityKey(CString& key);
    // Under HKEY_LOCAL_MACHINE, creates the device key from the current
    // scheme's template, "<scheme key>\Devices\.Default\0000": the template
    // is copied over it (values of the same names overwritten, others kept).
    // Without a template, or when the key cannot be created, nothing happens
    // and the result is 0; otherwise it is the copy's.
    LONG NewDeviceKey();

    CRegScheme* m_pScheme;  // counted reference, or null
    CString m_strDeviceName;
    unsigned int m_nDeviceNumber;
    CString m_strDeviceNumber;

private:
    CRegDevice(const CRegDevice&) = delete;
    CRegDevice& operator=(const CRegDevice&) = delete;
    CString DeviceKeyBelow(const CString& schemeKey) const;
    LONG DeviceSubkey(const char* suffix, CString& key);
};

// The page-extension settings of the current scheme:
// "<scheme key>\Page Extension Settings".
class QTVUTILS_API CRegModule : public CRefCounted {
public:
    explicit CRegModule(CRegScheme* scheme);  // scheme may be null
    ~CRegModule() override;

    LONG GetModuleKey(CString& key);

    CRegScheme* m_pScheme;  // counted reference, or null

private:
    CRegModule(const CRegModule&) = delete;
    CRegModule& operator=(const CRegModule&) = delete;
};

// Makes the user's copy of the machine-wide tree.
class QTVUTILS_API CRegUser : public CRefCounted {
public:
    explicit CRegUser(CRegScheme* scheme);  // scheme may be null
    ~CRegUser() override;

    // When the user has no P, creates it and copies the machine-wide P into
    // it (the copy's outcome is not reported). 0 once the user has P, else 8.
    LONG NewUserKey();

    CRegScheme* m_pScheme;  // counted reference, or null

private:
    CRegUser(const CRegUser&) = delete;
    CRegUser& operator=(const CRegUser&) = delete;
};

// ---------------------------------------------------------------------------
// CRegistryFlag: the control-center switches, values of
// HKLM\SOFTWARE\Quorvane\Quorvane TalVora Software\CurrentVersion\Control Center.
// Each call opens the key afresh for writing (creating it, volatile, when
// missing), reads its own value and closes the key. A switch is on (1) exactly
// when its value, as text up to the first zero byte and whatever its type, is
// "On" in any ASCII letter case; anything else, a missing value and every
// failure are off (0), so where the caller may not write HKEY_LOCAL_MACHINE
// every switch reads off.
// ---------------------------------------------------------------------------
class QTVUTILS_API CRegistryFlag {
public:
    static BOOL GetSimpleKeyboardFlag();  // "SimpleKeyboard"
    static BOOL GetDosAutoDetect();       // "DosAutoDetect"
    static BOOL GetWin95AutoDetect();     // "Win95AutoDetect"
    static BOOL GetProgramAxis();         // "ProgramAxis"
    static BOOL GetTrayIcon();            // "TrayIcon"

    CRegistryFlag() = delete;
};
