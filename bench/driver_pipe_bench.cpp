// Driver-pipe throughput end to end (a client thread writes a record, the
// router's thread reads it and hands the text to a listener) against a raw
// loop of the same primitives: WriteFile + PostMessage on one side,
// PeekNamedPipe + ReadFile on the other.
#include "qtvutils/routing.h"

#include "bench_timer.h"

#include <cstring>
#include <thread>

namespace {

const int kRecords = 2000;
const int kRounds = 7;
const UINT kRawReady = WM_APP + 1;
const char kText[] = "a 64-byte text record, as a driver would send it: x=12 y=-3 b=1";

int g_received = 0;

// Serves this thread's messages until `count` records have arrived.
bool ServeUntil(int count) {
    const ULONGLONG deadline = GetTickCount64() + 60000;
    MSG msg;
    while (g_received < count) {
        if (GetTickCount64() > deadline) return false;
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT) != WAIT_OBJECT_0) continue;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return true;
}

class CListener : public CNotifyTarget {
public:
    BOOL Notify(CMessageNotification* n) override {
        auto* pText = reinterpret_cast<CDriverPipeText*>(n->m_wParam);
        g_received += pText->m_strText.GetLength() > 0;
        pText->Release();
        return TRUE;
    }
};

// ---- raw loop -----------------------------------------------------------

HANDLE g_rawRead = nullptr;

LRESULT CALLBACK RawProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRawReady) return DefWindowProcA(hWnd, message, wParam, lParam);
    DWORD avail = 0, n = 0;
    char record[CDriverPipe::DriverPipeCapacity];
    PeekNamedPipe(g_rawRead, nullptr, 0, nullptr, &avail, nullptr);
    if (avail >= 8 + sizeof kText && ReadFile(g_rawRead, record, 8 + sizeof kText, &n, nullptr)) ++g_received;
    return 0;
}

// Seconds per record for one batch: `write` runs on a writer thread while
// this thread serves its messages until every record has arrived.
template <class Write>
double Batch(Write write) {
    g_received = 0;
    double t0 = qtvbench::NowSeconds();
    std::thread writer([&] {
        for (int i = 0; i < kRecords; ++i) write();
    });
    ServeUntil(kRecords);
    writer.join();
    return (qtvbench::NowSeconds() - t0) / kRecords;
}

}  // namespace

int main() {
    // The raw loop.
    HANDLE hRawWrite = nullptr;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    CreatePipe(&g_rawRead, &hRawWrite, &sa, CDriverPipe::DriverPipeCapacity);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RawProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QtvBenchRawReader";
    RegisterClassA(&wc);
    HWND hRaw = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    char record[8 + sizeof kText];
    DWORD header[2] = {sizeof kText, DPM_TEXT};
    memcpy(record, header, 8);
    memcpy(record + 8, kText, sizeof kText);

    // The library: a router with the server side and one listener, and a
    // client in the same process.
    CMessagePipe router;
    CDriverPipe server, client;
    CListener listener;
    if (!hRaw || !router.Initialize() || !server.InitialServerSide()) return 1;
    server.Register(&router);
    CMessageRegistration reg;
    reg.AddMessageToList(DPM_TEXT);
    reg.SetNotifyTarget(&listener);
    router.RegisterForNotifications(reg);
    if (!client.InitialClientSide()) return 1;

    // Rounds alternate, so that a slow spell of the machine hits both.
    std::vector<double> raw, lib;
    for (int r = 0; r < kRounds; ++r) {
        raw.push_back(Batch([&] {
            DWORD n;
            WriteFile(hRawWrite, record, sizeof record, &n, nullptr);
            PostMessageA(hRaw, kRawReady, 0, 0);
        }));
        lib.push_back(Batch([&] { client.WriteDataToClientPipe(sizeof kText, DPM_TEXT, const_cast<char*>(kText)); }));
    }
    double rawMedian = qtvbench::Median(raw), libMedian = qtvbench::Median(lib);
    printf("driver pipe: library %.0f records/s, raw loop %.0f records/s, ratio %.2f (target >= 1.0)\n",
           1 / libMedian, 1 / rawMedian, rawMedian / libMedian);
    server.UnRegister();
    DestroyWindow(hRaw);
    CloseHandle(hRawWrite);
    CloseHandle(g_rawRead);
    return 0;
}
