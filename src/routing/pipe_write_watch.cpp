#include "routing/pipe_write_watch.h"

#include "qtvutils/driver_pipe.h"

namespace qtv {

namespace {

// A write that has waited this long starts reminding the router, as often.
const DWORD kRemindMs = 50;

}  // namespace

PipeWriteWatch::PipeWriteWatch(HWND hRouter)
    : m_hRouter(hRouter), m_timer(CreateThreadpoolTimer(Tick, this, nullptr)) {}

void PipeWriteWatch::Begin() {
    AcquireSRWLockExclusive(&m_lock);
    m_dwWriter = GetCurrentThreadId();
    m_nSince = GetTickCount64();
    if (!m_bRunning) {
        ULARGE_INTEGER due;
        due.QuadPart = static_cast<ULONGLONG>(-static_cast<LONGLONG>(kRemindMs) * 10000);  // relative, 100 ns
        FILETIME dueTime = {due.LowPart, due.HighPart};
        SetThreadpoolTimer(m_timer.Get(), &dueTime, kRemindMs, 0);
        m_bRunning = true;
    }
    ReleaseSRWLockExclusive(&m_lock);
}

// The lock keeps a withdrawal from reaching anything the writer does after
// its write.
void PipeWriteWatch::End() {
    AcquireSRWLockExclusive(&m_lock);
    m_dwWriter = 0;
    ReleaseSRWLockExclusive(&m_lock);
}

VOID CALLBACK PipeWriteWatch::Tick(PTP_CALLBACK_INSTANCE, PVOID pContext, PTP_TIMER) {
    auto* pWatch = static_cast<PipeWriteWatch*>(pContext);
    AcquireSRWLockExclusive(&pWatch->m_lock);
    const ULONGLONG nWaited = GetTickCount64() - pWatch->m_nSince;
    if (!pWatch->m_dwWriter) {
        SetThreadpoolTimer(pWatch->m_timer.Get(), nullptr, 0, 0);
        pWatch->m_bRunning = false;
    } else if (nWaited >= QTV_WAIT_LIMIT_MS) {
        // A cancelled write's bytes are taken back out of the pipe, all of
        // them: the reader never sees part of the record.
        ScopedHandle thread(OpenThread(THREAD_TERMINATE, FALSE, pWatch->m_dwWriter));
        if (thread) CancelSynchronousIo(thread.Get());
    } else if (nWaited >= kRemindMs) {
        PostMessageA(pWatch->m_hRouter, DPM_DATAREADY, 0, 0);
    }
    ReleaseSRWLockExclusive(&pWatch->m_lock);
}

}  // namespace qtv
