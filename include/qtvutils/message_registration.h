// QTVUtils message routing: a registration, what a client asks a router for
// (a message range and/or list, a command list, and who receives the
// matches), and its flat form as it travels between processes.
#pragma once

#include "qtvutils/framework.h"

#include <vector>

class CNotifyTarget;
class CMessagePipe;

// How a message is forwarded to a remote registration's window.
enum NOTIFY_STYLE : UINT {
    NOTIFY_STYLE_DEFAULT = 0,  // posted
    NOTIFY_STYLE_SEND = 1,     // sent, synchronously
    NOTIFY_STYLE_POST = 2,     // posted
    // any other value: not forwarded
};

// A registration laid out flat, as it travels between processes: 32-bit
// little-endian words. M messages and then N commands start at dwData[0];
// one reserved trailing word follows them. dwSize = 36 + 4 * (M + N).
// Window handles travel as their low 32 bits (they are 32-bit significant
// on 64-bit Windows) and are restored with sign extension.
struct TAGRawRegistration {
    DWORD dwSize;
    DWORD nMessageFrom;
    DWORD nMessageTo;
    DWORD hWnd;
    DWORD nCallbackMessage;
    DWORD nNotifyStyle;
    DWORD nMessageCount;   // M
    DWORD nCommandCount;   // N
    DWORD dwData[1];       // M messages, N commands, the reserved word
};
static_assert(sizeof(TAGRawRegistration) == 36, "the flat block's fixed part is 36 bytes");

// What a client asks a router for: a message range and/or list, a command
// list, and who receives the matches.
class QTVUTILS_API CMessageRegistration : public CRefCounted {
public:
    CMessageRegistration();
    // Builds a registration from a flat block; the caller has checked that
    // the block's counts fit the memory it points to.
    explicit CMessageRegistration(TAGRawRegistration* pRaw);
    ~CMessageRegistration() override;

    // Copies everything but the flat block (cleared) and the reference count.
    CMessageRegistration& operator=(CMessageRegistration& src);

    // Lays the registration out as a flat block owned by this object; valid
    // until the next call, Reset, assignment or destruction.
    operator void*();
    void Reset();

    void AssignHandle(UINT nHandle) { m_nHandle = nHandle; }
    UINT GetHandle() const { return m_nHandle; }
    void SetMessageFrom(UINT nMessage) { m_nMessageFrom = nMessage; }
    void SetMessageTo(UINT nMessage) { m_nMessageTo = nMessage; }
    int AddMessageToList(UINT nMessage);
    int GetMessageListCount() const { return static_cast<int>(m_MessageList.size()); }
    int AddCommandToList(UINT nCommand);
    int GetCommandCount() const { return static_cast<int>(m_CommandList.size()); }
    void SetNotifyTarget(CNotifyTarget* pTarget) { m_pNotifyTarget = pTarget; }
    CNotifyTarget* MessageTarget() const { return m_pNotifyTarget; }
    void SetMessagePipe(CMessagePipe* pPipe) { m_pMessagePipe = pPipe; }
    CMessagePipe* GetMessagePipe() const { return m_pMessagePipe; }
    void SetWindowHandle(HWND hWnd) { m_hWnd = hWnd; }
    HWND GetWindowHandle() const { return m_hWnd; }
    void SetCallbackMessage(UINT nMessage) { m_nCallbackMessage = nMessage; }
    UINT GetCallbackMessage() const { return m_nCallbackMessage; }
    void SetNotifyStyle(NOTIFY_STYLE nStyle) { m_nNotifyStyle = nStyle; }
    NOTIFY_STYLE GetNotifyStyle() const { return m_nNotifyStyle; }

    // True when the range (active only when last > first) or the list holds
    // the message.
    BOOL MessageForThisTarget(UINT nMessage) const;
    BOOL CommandForThisTarget(UINT nCommand) const;

private:
    CMessageRegistration(const CMessageRegistration&) = delete;
    void FreeRawRegistration();

    CNotifyTarget* m_pNotifyTarget;
    CMessagePipe* m_pMessagePipe;
    UINT m_nHandle;
    UINT m_nMessageFrom;
    UINT m_nMessageTo;
    std::vector<UINT> m_CommandList;
    std::vector<UINT> m_MessageList;
    TAGRawRegistration* m_pRawRegistration;
    HWND m_hWnd;
    UINT m_nCallbackMessage;
    NOTIFY_STYLE m_nNotifyStyle;
};
