#include "qtvutils/settings.h"

#include <memory>

CRegDevice::CRegDevice(const CString& name, unsigned int number, CRegScheme* scheme)
    : m_pScheme(scheme ? static_cast<CRegScheme*>(scheme->Lock()) : nullptr), m_strDeviceName(name),
      m_nDeviceNumber(number) {
    m_strDeviceNumber.Format("%4.4u", number);
}

CRegDevice::~CRegDevice() {
    if (m_pScheme) m_pScheme->Release();
}

CString CRegDevice::DeviceKeyBelow(const CString& schemeKey) const {
    return schemeKey + "\\Devices\\" + m_strDeviceName + "\\" + m_strDeviceNumber;
}

LONG CRegDevice::DeviceSubkey(const char* suffix, CString& key) {
    CString schemeKey;
    LONG result = m_pScheme->GetSchemeKey(schemeKey);
    if (result == ERROR_SUCCESS) key = DeviceKeyBelow(schemeKey) + suffix;
    return result;
}

LONG CRegDevice::GetDeviceKey(CString& key) { return DeviceSubkey("", key); }
LONG CRegDevice::GetAssignmentKey(CString& key) { return DeviceSubkey("\\Assignments", key); }
LONG CRegDevice::GetAnimationKey(CString& key) { return DeviceSubkey("\\Annimations", key); }
LONG CRegDevice::GetUsabilityKey(CString& key) { return DeviceSubkey("\\Usability", key); }

LONG CRegDevice::NewDeviceKey() {
    CString schemeKey;
    LONG result = m_pScheme->GetSchemeKey(schemeKey);
    if (result != ERROR_SUCCESS) return result;
    // Template and device key are named from one reading of the current
    // scheme, so a switch made meanwhile cannot pair one scheme's template
    // with another scheme's device.
    std::unique_ptr<CRegEntry> deviceTemplate(
        CRegEntry::OpenExisting(HKEY_LOCAL_MACHINE, schemeKey + "\\Devices\\.Default\\0000"));
    if (!deviceTemplate) return ERROR_SUCCESS;
    std::unique_ptr<CRegEntry> device(CRegEntry::CreateNew(HKEY_LOCAL_MACHINE, DeviceKeyBelow(schemeKey)));
    return device ? deviceTemplate->CopyStructure(device.get()) : ERROR_SUCCESS;
}

CRegModule::CRegModule(CRegScheme* scheme)
    : m_pScheme(scheme ? static_cast<CRegScheme*>(scheme->Lock()) : nullptr) {}

CRegModule::~CRegModule() {
    if (m_pScheme) m_pScheme->Release();
}

LONG CRegModule::GetModuleKey(CString& key) {
    CString schemeKey;
    LONG result = m_pScheme->GetSchemeKey(schemeKey);
    if (result == ERROR_SUCCESS) key = schemeKey + "\\Page Extension Settings";
    return result;
}
