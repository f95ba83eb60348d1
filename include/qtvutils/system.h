// QTVUtils system parameters: the system-wide user-interface settings
// (keyboard repeat, mouse, double-click, icons, screen saver, desktop,
// accessibility features), each read or written with one call of the
// platform's SystemParametersInfoA.
//
// Results: every operation returns the platform call's answer, or FALSE when
// "SystemParametersInfoA" cannot be found in an already-loaded "USER32"
// (looked up on every call; nothing is loaded). Two exceptions:
// GetShowSounds always returns TRUE, and on platform versions below 3.10
// GetMouseSpeed and SetMouseSpeed always return TRUE. After a failure an
// out-parameter holds whatever the platform left in it, except the string of
// GetLangDriverName, which is then empty.
//
// Reads pass update flags 0. Writes pass SPIF_SENDWININICHANGE only: the new
// value takes effect for every process and is broadcast, while the user
// profile keeps the old one. SetDesktopPattern alone writes the profile,
// because the platform takes the pattern from there.
//
// Structures are passed with their own size as the integer parameter. For
// reads of the structures that carry a size member (cbSize), the caller
// fills it in first.
//
// The object holds no state: any object, on any thread, does the same.
#pragma once

#include "qtvutils/framework.h"

// The platform's mouse-parameter triple, in its order.
struct TRACK_INFO {
    int nThreshold1;
    int nThreshold2;
    int nAcceleration;
};

class QTVUTILS_API CSystemInfo : public CRefCounted {
public:
    CSystemInfo();
    ~CSystemInfo() override;

    BOOL GetAccessTimeOut(tagACCESSTIMEOUT* pValue);
    BOOL GetBeeperState(int* pbOn);
    BOOL GetBorderWidth(UINT* pnWidth);
    BOOL GetFastTSwitchEnabled(int* pbOn);
    BOOL GetFilterKeys(tagFILTERKEYS* pValue);
    BOOL GetGranularity(UINT* pnGranularity);
    BOOL GetIconTitleFont(tagLOGFONTA* pValue);
    BOOL GetIconWrappingEnabled(int* pbOn);
    BOOL GetRepeatDelay(UINT* pnDelay);
    BOOL GetRepeatSpeed(ULONG* pnSpeed);
    BOOL GetMenuAlignmentLeft(int* pbLeft);
    // Below 3.10: the 16-bit user module's ControlPanelInfo, when present.
    BOOL GetMouseSpeed(TRACK_INFO* pValue);
    BOOL GetMouseKeys(tagMOUSEKEYS* pValue);
    BOOL GetScrSaverActive(int* pbOn);
    BOOL GetScrSaverTimeout(UINT* pnSeconds);
    // Where the platform call fails, the system metric SM_SHOWSOUNDS answers.
    BOOL GetShowSounds(int* pbOn);
    BOOL GetSoundSentry(tagSOUNDSENTRYA* pValue);
    BOOL GetStickyKeys(tagSTICKYKEYS* pValue);
    BOOL GetToggleKeys(tagTOGGLEKEYS* pValue);
    // At most 249 characters.
    BOOL GetLangDriverName(CString& strName);

    BOOL SetIconHorzSize(UINT nPixels);
    BOOL SetIconVertSize(UINT nPixels);
    BOOL SetAccessTimeout(tagACCESSTIMEOUT value);
    BOOL SetWarningBeeperOn(BOOL bOn);
    BOOL SetBorderWidth(UINT nWidth);
    // Writes the eight rows, 0 to 255 each, as the profile's "Desktop"
    // "Pattern" text ("0 24 60 126 60 24 0 0"), then has the platform take
    // it; the answer is the platform's.
    BOOL SetDesktopPattern(const char pchPattern[8]);
    BOOL SetWallPaper(CString strFile);
    BOOL SetDoubleClickTime(UINT nMilliseconds);
    BOOL SetDoubleClickHeight(UINT nPixels);
    BOOL SetDoubleClickWidth(UINT nPixels);
    BOOL SetFastTSwitchEnabled(BOOL bOn);
    BOOL SetFilterKeys(tagFILTERKEYS value);
    BOOL SetGranularity(UINT nGranularity);
    BOOL SetIconTitleFont(tagLOGFONTA value);
    BOOL SetIconWrappingEnabled(BOOL bOn);
    BOOL SetRepeatDelay(UINT nDelay);
    BOOL SetRepeatSpeed(UINT nSpeed);
    BOOL SetMenuAlignmentLeft(BOOL bLeft);
    // Below 3.10: the 16-bit user module's ControlPanelInfo, when present.
    BOOL SetMouseSpeed(TRACK_INFO value);
    BOOL SetMouseBtnSwap(BOOL bSwap);
    BOOL SetMouseKeys(tagMOUSEKEYS value);
    BOOL SetScrSaverActive(BOOL bOn);
    BOOL SetScrSaverTimeout(UINT nSeconds);
    BOOL SetShowSounds(BOOL bOn);
    BOOL SetSoundSentry(tagSOUNDSENTRYA value);
    BOOL SetStickyKeys(tagSTICKYKEYS value);
    BOOL SetToggleKeys(tagTOGGLEKEYS value);
};
