#include "qtvutils/resources.h"

#include "resources/dc_handles.h"

CResInfo::CResInfo(CResourceMgr* pMgr) : m_pResourceMgr(pMgr) { ClearResMembers(); }

CResInfo::~CResInfo() { DeleteResource(); }

void CResInfo::ClearResMembers() {
    m_bNotOwned = 0;
    m_nResType = kNone;
    m_hResource = nullptr;
}

void CResInfo::DeleteResource() {
    if (!m_bNotOwned && m_nResType == kBitmap) qtv::ScopedGdi<HGDIOBJ>::CloseField(m_hResource);
    ClearResMembers();
}

void CResInfo::DetachResource() { m_bNotOwned = 1; }

BOOL CResInfo::SetIconBmpRes(void* hRes, int nType) {
    DeleteResource();
    m_bNotOwned = 1;
    m_nResType = nType;
    m_hResource = hRes;
    return TRUE;
}

BOOL CResInfo::LoadIconBmpRes(int id, int nType) {
    if (nType == m_nResType && m_hResource) return TRUE;
    DeleteResource();
    // Mask 0xC: module 3, then module 1.
    if (m_pResourceMgr && (nType == 0 || nType == kBitmap)) {
        m_nResType = kBitmap;
        m_hResource = m_pResourceMgr->FindAndLoadBitmap(id, 0xC);
    }
    if (m_pResourceMgr && !m_hResource && (nType == 0 || nType == kIcon)) {
        m_nResType = kIcon;
        m_hResource = m_pResourceMgr->FindAndLoadIcon(id, 0xC);
    }
    return m_hResource != nullptr;
}

BOOL CResInfo::DrawIconBmpRes(CWnd* pWnd, HDC hdc) {
    if (!m_hResource) return FALSE;
    if (m_nResType == kIcon) return DrawIcon(hdc, 0, 0, static_cast<HICON>(m_hResource));
    RECT client;
    if (m_nResType != kBitmap || !pWnd || !GetClientRect(pWnd->GetSafeHwnd(), &client)) return FALSE;
    qtv::ScopedMemoryDc memory(CreateCompatibleDC(nullptr));
    // Selecting fails for what is not a bitmap, or one selected elsewhere.
    HGDIOBJ hOldBitmap = memory ? SelectObject(memory.Get(), static_cast<HGDIOBJ>(m_hResource)) : nullptr;
    if (!hOldBitmap) return FALSE;
    const BOOL bCopied = BitBlt(hdc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
    SelectObject(memory.Get(), hOldBitmap);
    return bCopied;
}

HICON CResInfo::IconHandle() { return m_nResType == kIcon ? static_cast<HICON>(m_hResource) : nullptr; }

HBITMAP CResInfo::BitmapHandle() { return m_nResType == kBitmap ? static_cast<HBITMAP>(m_hResource) : nullptr; }

int CResInfo::ResourceType() { return m_nResType; }
