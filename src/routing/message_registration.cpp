#include "qtvutils/message_registration.h"

#include <algorithm>
#include <new>

CMessageRegistration::CMessageRegistration()
    : m_pNotifyTarget(nullptr),
      m_pMessagePipe(nullptr),
      m_nHandle(0),
      m_nMessageFrom(0),
      m_nMessageTo(0),
      m_pRawRegistration(nullptr),
      m_hWnd(nullptr),
      m_nCallbackMessage(0),
      m_nNotifyStyle(NOTIFY_STYLE_DEFAULT) {}

CMessageRegistration::CMessageRegistration(TAGRawRegistration* pRaw) : CMessageRegistration() {
    m_nMessageFrom = pRaw->nMessageFrom;
    m_nMessageTo = pRaw->nMessageTo;
    // Window handles are 32-bit significant: the low word, sign-extended.
    m_hWnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(pRaw->hWnd)));
    m_nCallbackMessage = pRaw->nCallbackMessage;
    m_nNotifyStyle = static_cast<NOTIFY_STYLE>(pRaw->nNotifyStyle);
    const DWORD* pMessages = pRaw->dwData;
    const DWORD* pCommands = pMessages + pRaw->nMessageCount;
    m_MessageList.assign(pMessages, pCommands);
    m_CommandList.assign(pCommands, pCommands + pRaw->nCommandCount);
}

CMessageRegistration::~CMessageRegistration() { FreeRawRegistration(); }

void CMessageRegistration::FreeRawRegistration() {
    ::operator delete(m_pRawRegistration);
    m_pRawRegistration = nullptr;
}

CMessageRegistration& CMessageRegistration::operator=(CMessageRegistration& src) {
    if (this == &src) {
        FreeRawRegistration();
        return *this;
    }
    m_pNotifyTarget = src.m_pNotifyTarget;
    m_pMessagePipe = src.m_pMessagePipe;
    m_nHandle = src.m_nHandle;
    m_nMessageFrom = src.m_nMessageFrom;
    m_nMessageTo = src.m_nMessageTo;
    m_hWnd = src.m_hWnd;
    m_nCallbackMessage = src.m_nCallbackMessage;
    m_nNotifyStyle = src.m_nNotifyStyle;
    FreeRawRegistration();
    m_MessageList = src.m_MessageList;
    m_CommandList = src.m_CommandList;
    return *this;
}

CMessageRegistration::operator void*() {
    FreeRawRegistration();
    const DWORD nMessages = static_cast<DWORD>(m_MessageList.size());
    const DWORD nCommands = static_cast<DWORD>(m_CommandList.size());
    const size_t cb = sizeof(TAGRawRegistration) + 4 * (size_t(nMessages) + nCommands);
    auto* pRaw = static_cast<TAGRawRegistration*>(::operator new(cb));
    pRaw->dwSize = static_cast<DWORD>(cb);
    pRaw->nMessageFrom = m_nMessageFrom;
    pRaw->nMessageTo = m_nMessageTo;
    pRaw->hWnd = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(m_hWnd));
    pRaw->nCallbackMessage = m_nCallbackMessage;
    pRaw->nNotifyStyle = m_nNotifyStyle;
    pRaw->nMessageCount = nMessages;
    pRaw->nCommandCount = nCommands;
    std::copy(m_MessageList.begin(), m_MessageList.end(), pRaw->dwData);
    std::copy(m_CommandList.begin(), m_CommandList.end(), pRaw->dwData + nMessages);
    m_pRawRegistration = pRaw;
    return pRaw;
}

void CMessageRegistration::Reset() {
    std::vector<UINT>().swap(m_MessageList);
    std::vector<UINT>().swap(m_CommandList);
    FreeRawRegistration();
    m_pNotifyTarget = nullptr;
    m_pMessagePipe = nullptr;
    m_nHandle = 0;
    m_nMessageFrom = 0;
    m_nMessageTo = 0;
    m_hWnd = nullptr;
    m_nCallbackMessage = 0;
    m_nNotifyStyle = NOTIFY_STYLE_DEFAULT;
}

int CMessageRegistration::AddMessageToList(UINT nMessage) {
    m_MessageList.push_back(nMessage);
    return static_cast<int>(m_MessageList.size()) - 1;
}

int CMessageRegistration::AddCommandToList(UINT nCommand) {
    m_CommandList.push_back(nCommand);
    return static_cast<int>(m_CommandList.size()) - 1;
}

BOOL CMessageRegistration::MessageForThisTarget(UINT nMessage) const {
    // A range counts only when its last end lies strictly above its first.
    if (m_nMessageTo > m_nMessageFrom && nMessage >= m_nMessageFrom && nMessage <= m_nMessageTo)
        return TRUE;
    return std::find(m_MessageList.begin(), m_MessageList.end(), nMessage) != m_MessageList.end();
}

BOOL CMessageRegistration::CommandForThisTarget(UINT nCommand) const {
    return std::find(m_CommandList.begin(), m_CommandList.end(), nCommand) != m_CommandList.end();
}
