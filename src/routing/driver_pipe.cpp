#include "qtvutils/routing.h"

#include "framework/scoped_handle.h"

#include <cstring>
#include <new>

namespace {

struct RecordHeader {
    DWORD nLength;
    DWORD nCode;
};
const DWORD kHeaderSize = sizeof(RecordHeader);
const DWORD kMaxPayload = CDriverPipe::DriverPipeCapacity - kHeaderSize;

// How long a client waits for the router to hand out the write end.
const UINT kHandshakeTimeoutMs = 5000;

// Reads exactly cb bytes that the pipe already holds.
bool ReadExactly(HANDLE h, void* p, DWORD cb) {
    DWORD nRead = 0;
    return ReadFile(h, p, cb, &nRead, nullptr) && nRead == cb;
}

// Reads and drops what the pipe holds: after a header that cannot be trusted
// there is no telling where the next record starts.
void Drain(HANDLE h, DWORD nAvailable) {
    char scrap[CDriverPipe::DriverPipeCapacity];
    while (nAvailable > 0) {
        DWORD n = nAvailable < sizeof scrap ? nAvailable : sizeof scrap;
        if (!ReadExactly(h, scrap, n)) return;
        nAvailable -= n;
    }
}

}  // namespace

IMPLEMENT_DYNAMIC(CDriverPipe, CNotifyTarget)

CDriverPipeText::~CDriverPipeText() = default;

CDriverPipe::CDriverPipe()
    : m_hReadPipe(nullptr),
      m_hWritePipe(nullptr),
      m_hClientWritePipe(nullptr),
      m_hRouterWnd(nullptr),
      m_bInitialized(FALSE) {}

// The base class then drops any registration still held.
CDriverPipe::~CDriverPipe() { ClosePipe(); }

void CDriverPipe::ClosePipe() {
    qtv::ScopedHandle::CloseField(m_hReadPipe);
    qtv::ScopedHandle::CloseField(m_hWritePipe);
    qtv::ScopedHandle::CloseField(m_hClientWritePipe);
}

BOOL CDriverPipe::InitialServerSide() {
    if (m_bInitialized) return TRUE;
    m_bInitialized = TRUE;
    // Both ends are inheritable, as the suite's programs expect: a server
    // that starts its driver-side process itself may hand it the write end
    // by inheritance instead of through the router. The price is that every
    // child started with inheritance keeps both ends open.
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreatePipe(&m_hReadPipe, &m_hWritePipe, &sa, DriverPipeCapacity);
}

BOOL CDriverPipe::InitialClientSide() {
    if (m_bInitialized) return TRUE;
    m_bInitialized = TRUE;
    m_hRouterWnd = FindWindowA(QTV_ROUTER_WINDOW_CLASS, nullptr);
    if (!m_hRouterWnd) return FALSE;

    // The answer is a handle value in the server's process; kernel handles
    // are 32-bit significant, so only its low word counts.
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(m_hRouterWnd, DPM_GETWRITEHANDLE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                             kHandshakeTimeoutMs, &answer))
        answer = 0;
    HANDLE hServerWrite = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(static_cast<LONG>(answer)));

    DWORD pid = 0;
    GetWindowThreadProcessId(m_hRouterWnd, &pid);
    qtv::ScopedHandle server(OpenProcess(PROCESS_DUP_HANDLE, TRUE, pid));
    if (!server) return FALSE;
    // The duplicate is inheritable for the same reason as the server's ends.
    return hServerWrite && DuplicateHandle(server.Get(), hServerWrite, GetCurrentProcess(), &m_hClientWritePipe, 0,
                                           TRUE, DUPLICATE_SAME_ACCESS);
}

BOOL CDriverPipe::WriteDataToClientPipe(UINT nLength, UINT nCode, void* pData) {
    if (!m_hClientWritePipe || nLength > kMaxPayload || (nLength && !pData)) return FALSE;
    // Header and payload go in with one write: a write is never split, so
    // records of clients writing at the same time stay whole.
    char record[DriverPipeCapacity];
    RecordHeader header = {nLength, nCode};
    memcpy(record, &header, kHeaderSize);
    if (nLength) memcpy(record + kHeaderSize, pData, nLength);
    DWORD nWritten = 0;
    if (!WriteFile(m_hClientWritePipe, record, kHeaderSize + nLength, &nWritten, nullptr) ||
        nWritten != kHeaderSize + nLength)
        return FALSE;
    PostMessageA(m_hRouterWnd, DPM_DATAREADY, 0, 0);
    return TRUE;
}

BOOL CDriverPipe::Register(CMessagePipe* pPipe) {
    m_Registration.AddMessageToList(DPM_DATAREADY);
    m_Registration.AddMessageToList(DPM_GETWRITEHANDLE);
    m_Registration.SetNotifyTarget(this);
    pPipe->RegisterForNotifications(m_Registration);
    return TRUE;
}

BOOL CDriverPipe::UnRegister() {
    ClosePipe();
    // The router may have been destroyed since Register.
    if (m_Registration.GetHandle() && IsRegisteredWith(m_Registration.GetMessagePipe()))
        m_Registration.GetMessagePipe()->UnRegisterNotification(m_Registration.GetHandle());
    return TRUE;
}

BOOL CDriverPipe::Notify(CMessageNotification* pNotification) {
    if (pNotification->m_message == DPM_DATAREADY)
        ReadPipeRecord();
    else if (pNotification->m_message == DPM_GETWRITEHANDLE)
        pNotification->m_lResult = reinterpret_cast<LRESULT>(m_hWritePipe);
    return TRUE;
}

BOOL CDriverPipe::ReadPipeRecord() {
    // One peek gives both the header and how much the pipe holds; a record is
    // written whole, so once its header is there its payload is too, and one
    // read takes both.
    RecordHeader header;
    DWORD nPeeked = 0, nAvailable = 0;
    if (!PeekNamedPipe(m_hReadPipe, &header, kHeaderSize, &nPeeked, &nAvailable, nullptr)) return FALSE;
    if (nAvailable == 0) return TRUE;
    if (nPeeked < kHeaderSize || header.nLength > kMaxPayload || kHeaderSize + header.nLength > nAvailable) {
        Drain(m_hReadPipe, nAvailable);
        return FALSE;
    }

    char record[DriverPipeCapacity];
    if (!ReadExactly(m_hReadPipe, record, kHeaderSize + header.nLength)) return FALSE;
    // Records of other codes are consumed whole, payload included, so the
    // stream stays in step.
    if (header.nCode != DPM_TEXT) return TRUE;
    try {
        DeliverText(record + kHeaderSize, header.nLength);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

void CDriverPipe::DeliverText(const char* pText, UINT nLength) {
    const void* pNul = memchr(pText, 0, nLength);
    UINT nText = pNul ? static_cast<UINT>(static_cast<const char*>(pNul) - pText) : nLength;
    CMessagePipe* pRouter = m_Registration.GetMessagePipe();
    if (IsRegisteredWith(pRouter)) pRouter->QueueText(pText, static_cast<int>(nText));
}
