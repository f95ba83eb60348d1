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

// A write that has waited this long for room starts reminding the router.
const DWORD kRemindMs = 50;
// What one notification reads before it lets other messages in and asks for
// another notification to go on.
const DWORD kReadBudget = 16 * CDriverPipe::DriverPipeCapacity;

// A write waits only while the pipe is full. The router may never have been
// told about the records that fill it (their writer died before it posted,
// or its post failed), so while the write waits the router is reminded; when
// the wait reaches its bound the write is withdrawn.
struct WaitingWrite {
    HWND hRouter;
    DWORD dwThreadId;
    ULONGLONG nGiveUpAt;
};

VOID CALLBACK RemindRouter(PTP_CALLBACK_INSTANCE, PVOID pContext, PTP_TIMER) {
    auto* pWrite = static_cast<WaitingWrite*>(pContext);
    if (GetTickCount64() < pWrite->nGiveUpAt) {
        PostMessageA(pWrite->hRouter, DPM_DATAREADY, 0, 0);
        return;
    }
    // A cancelled write's bytes are taken back out of the pipe, all of them:
    // the reader never sees part of the record.
    qtv::ScopedHandle thread(OpenThread(THREAD_TERMINATE, FALSE, pWrite->dwThreadId));
    if (thread) CancelSynchronousIo(thread.Get());
}

// Writes the record with one WriteFile (a write is never split, so records of
// clients writing at the same time stay whole), waiting at most
// QTV_WAIT_LIMIT_MS for room.
bool WriteRecord(HANDLE hPipe, HWND hRouter, const char* pRecord, DWORD cb) {
    WaitingWrite wait = {hRouter, GetCurrentThreadId(), GetTickCount64() + QTV_WAIT_LIMIT_MS};
    qtv::ScopedTimer timer(CreateThreadpoolTimer(RemindRouter, &wait, nullptr));
    if (!timer) return false;
    ULARGE_INTEGER due;
    due.QuadPart = static_cast<ULONGLONG>(-static_cast<LONGLONG>(kRemindMs) * 10000);  // relative, 100 ns units
    FILETIME dueTime = {due.LowPart, due.HighPart};
    SetThreadpoolTimer(timer.Get(), &dueTime, kRemindMs, 0);
    DWORD nWritten = 0;
    const bool ok = WriteFile(hPipe, pRecord, cb, &nWritten, nullptr) && nWritten == cb;
    timer.Close();  // stopped before this thread can start anything else to cancel
    return ok;
}

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
    return hServerWrite && DuplicateHandle(server.Get(), hServerWrite, GetCurrentProcess(), &m_hClientWritePipe, 0,
                                           TRUE, DUPLICATE_SAME_ACCESS);
}

BOOL CDriverPipe::WriteDataToClientPipe(UINT nLength, UINT nCode, void* pData) {
    if (!m_hClientWritePipe || nLength > kMaxPayload || (nLength && !pData)) return FALSE;
    char record[DriverPipeCapacity];
    RecordHeader header = {nLength, nCode};
    memcpy(record, &header, kHeaderSize);
    if (nLength) memcpy(record + kHeaderSize, pData, nLength);
    // On the router's own thread nobody else would empty a full pipe: the
    // router reads it first, called directly.
    if (m_dwRouterThreadId == GetCurrentThreadId()) SendMessageA(m_hRouterWnd, DPM_DATAREADY, 0, 0);
    if (!WriteRecord(m_hClientWritePipe, m_hRouterWnd, record, kHeaderSize + nLength)) return FALSE;
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
