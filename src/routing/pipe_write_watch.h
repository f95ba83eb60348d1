// Keeps a driver-pipe client's writes from waiting for good. A write waits
// only while the pipe is full, and the router may never have been told about
// the records that fill it (their writer died before it posted, or its post
// failed): a write that has waited a while has the router reminded, and one
// that has waited QTV_WAIT_LIMIT_MS is withdrawn. One thread-pool timer per
// client, running only while the client writes; between writes nothing runs.
#pragma once

#include "framework/scoped_handle.h"

namespace qtv {

class PipeWriteWatch {
public:
    explicit PipeWriteWatch(HWND hRouter);
    bool Valid() const { return static_cast<bool>(m_timer); }

    // Around each write, on the thread that writes.
    void Begin();
    void End();

private:
    static VOID CALLBACK Tick(PTP_CALLBACK_INSTANCE, PVOID pContext, PTP_TIMER);

    HWND m_hRouter;
    SRWLOCK m_lock = SRWLOCK_INIT;
    DWORD m_dwWriter = 0;   // the thread writing; 0 between writes
    ULONGLONG m_nSince = 0;  // when its write began
    bool m_bRunning = false;
    ScopedTimer m_timer;  // last, so that it stops before the rest goes
};

}  // namespace qtv
