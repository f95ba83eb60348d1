#include "qtvutils/driver_pipe.h"

#include "framework/scoped_handle.h"
#include "routing/pipe_write_watch.h"

#include <cstring>
#include <new>

namespace {

struct RecordHeader {
    DWORD nLength;
    DWORD nCode;
};
const DWORD kHeaderSize = sizeof(RecordHeader);
const DWORD kMaxPayload = CDriverPipe::DriverPipeCapacity - kHeaderSize;

// What one notification reads before it lets other messages in and asks for
// another notification to go on.
const DWORD kReadBudget = 16 * CDriverPipe::DriverPipeCapacity;

// Reads what the pipe holds, up to cb bytes; 0 when it is empty.
DWORD ReadSome(HANDLE hPipe, char* p, DWORD cb) {
    DWORD nRead = 0;
    return ReadFile(hPipe, p, cb, &nRead, nullptr) ? nRead : 0;
}

// Bytes still missing from the record begun at p, of which nHeld are there.
DWORD MissingFromRecord(const char* p, DWORD nHeld) {
    if (nHeld < kHeaderSize) return kHeaderSize - nHeld;
    RecordHeader header;
    memcpy(&header, p, kHeaderSize);
    return kHeaderSize + header.nLength - nHeld;
}

}  // namespace

IMPLEMENT_DYNAMIC(CDriverPipe, CNotifyTarget)

CDriverPipeText::~CDriverPipeText() = default;

CDriverPipe::CDriverPipe()
    : m_hReadPipe(nullptr),
      m_hWritePipe(nullptr),
      m_hClientWritePipe(nullptr),
      m_hRouterWnd(nullptr),
      m_bInitialized(FALSE),
      m_dwRouterThreadId(0) {}

// The base class then drops any registration still held.
CDriverPipe::~CDriverPipe() { ClosePipe(); }

void CDriverPipe::ClosePipe() {
    qtv::ScopedHandle::CloseField(m_hReadPipe);
    qtv::ScopedHandle::CloseField(m_hWritePipe);
    qtv::ScopedHandle::CloseField(m_hClientWritePipe);
    m_pWriteWatch.reset();
}

BOOL CDriverPipe::InitialServerSide() {
    if (m_bInitialized) return TRUE;
    m_bInitialized = TRUE;
    // Both ends are inheritable, as the suite's programs expect: a server
    // that starts its driver-side process itself may hand it the write end
    // by inheritance instead of through the router. The price is that every
    // child started with inheritance keeps both ends open.
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    if (!CreatePipe(&m_hReadPipe, &m_hWritePipe, &sa, DriverPipeCapacity)) return FALSE;
    // The router's thread must never wait on the pipe. Without waiting, a
    // read takes what the pipe holds at once, however little: one read per
    // notification for all the records there are, and none that blocks when
    // a write is withdrawn between a notification and its read.
    DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
    if (SetNamedPipeHandleState(m_hReadPipe, &mode, nullptr, nullptr)) return TRUE;
    ClosePipe();
    return FALSE;
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
                             QTV_WAIT_LIMIT_MS, &answer))
        answer = 0;
    HANDLE hServerWrite = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(static_cast<LONG>(answer)));

    DWORD pid = 0;
    m_dwRouterThreadId = GetWindowThreadProcessId(m_hRouterWnd, &pid);
    qtv::ScopedHandle server(OpenProcess(PROCESS_DUP_HANDLE, TRUE, pid));
    if (!server) return FALSE;
    // The duplicate is inheritable for the same reason as the server's ends.
    if (!hServerWrite || !DuplicateHandle(server.Get(), hServerWrite, GetCurrentProcess(), &m_hClientWritePipe, 0,
                                          TRUE, DUPLICATE_SAME_ACCESS))
        return FALSE;
    // No write without a bound: without its watch the client cannot write.
    m_pWriteWatch.reset(new (std::nothrow) qtv::PipeWriteWatch(m_hRouterWnd));
    if (m_pWriteWatch && m_pWriteWatch->Valid()) return TRUE;
    ClosePipe();
    return FALSE;
}

BOOL CDriverPipe::WriteDataToClientPipe(UINT nLength, UINT nCode, void* pData) {
    if (!m_hClientWritePipe || !m_pWriteWatch || nLength > kMaxPayload || (nLength && !pData)) return FALSE;
    char record[DriverPipeCapacity];
    RecordHeader header = {nLength, nCode};
    memcpy(record, &header, kHeaderSize);
    if (nLength) memcpy(record + kHeaderSize, pData, nLength);
    // On the router's own thread nobody else would empty a full pipe: the
    // router reads it first, called directly.
    if (m_dwRouterThreadId == GetCurrentThreadId()) SendMessageA(m_hRouterWnd, DPM_DATAREADY, 0, 0);
    // One WriteFile: a write is never split, so records of clients writing at
    // the same time stay whole.
    DWORD nWritten = 0;
    m_pWriteWatch->Begin();
    const BOOL bWritten = WriteFile(m_hClientWritePipe, record, kHeaderSize + nLength, &nWritten, nullptr);
    m_pWriteWatch->End();
    if (!bWritten || nWritten != kHeaderSize + nLength) return FALSE;
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

// Reads every complete record the pipe holds. A record is written whole, so
// bytes that do not make one when the pipe is empty never will: they are
// dropped, as is everything the pipe holds behind a header no record can
// have, since nothing tells where the next record would start.
BOOL CDriverPipe::ReadPipeRecord() {
    char buffer[2 * DriverPipeCapacity];
    DWORD nHeld = 0, nReadInAll = 0;
    for (;;) {
        DWORD nWanted = sizeof buffer - nHeld;
        if (nReadInAll >= kReadBudget) {
            if (nHeld == 0) {
                if (IsRegisteredWith(m_Registration.GetMessagePipe()))
                    PostMessageA(m_Registration.GetMessagePipe()->GetSafeHwnd(), DPM_DATAREADY, 0, 0);
                return TRUE;
            }
            nWanted = MissingFromRecord(buffer, nHeld);  // only the record begun
        }
        const DWORD nRead = ReadSome(m_hReadPipe, buffer + nHeld, nWanted);
        nReadInAll += nRead;
        nHeld += nRead;
        DWORD nUsed = 0;
        while (nHeld - nUsed >= kHeaderSize) {
            RecordHeader header;
            memcpy(&header, buffer + nUsed, kHeaderSize);
            if (header.nLength > kMaxPayload) return DropWhatThePipeHolds();
            if (nHeld - nUsed < kHeaderSize + header.nLength) break;
            // Records of other codes are skipped whole, payload included.
            if (header.nCode == DPM_TEXT) DeliverText(buffer + nUsed + kHeaderSize, header.nLength);
            nUsed += kHeaderSize + header.nLength;
        }
        memmove(buffer, buffer + nUsed, nHeld - nUsed);
        nHeld -= nUsed;
        if (nRead < nWanted) return TRUE;  // the pipe was empty
    }
}

BOOL CDriverPipe::DropWhatThePipeHolds() {
    DWORD nAvailable = 0;
    if (!PeekNamedPipe(m_hReadPipe, nullptr, 0, nullptr, &nAvailable, nullptr)) return FALSE;
    char scrap[DriverPipeCapacity];
    while (nAvailable > 0) {
        DWORD nRead = ReadSome(m_hReadPipe, scrap, nAvailable < sizeof scrap ? nAvailable : sizeof scrap);
        if (nRead == 0) break;
        nAvailable -= nRead;
    }
    return FALSE;
}

void CDriverPipe::DeliverText(const char* pText, UINT nLength) {
    const void* pNul = memchr(pText, 0, nLength);
    UINT nText = pNul ? static_cast<UINT>(static_cast<const char*>(pNul) - pText) : nLength;
    CMessagePipe* pRouter = m_Registration.GetMessagePipe();
    if (!IsRegisteredWith(pRouter)) return;
    try {
        pRouter->QueueText(pText, static_cast<int>(nText));
    } catch (const std::bad_alloc&) {
        // The text is lost; the records after it are not.
    }
}
