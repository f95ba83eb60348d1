#include "support/test_support.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace qtvtest {

std::string UniqueName(const char* stem) {
    static std::atomic<unsigned> counter{0};
    char buf[128];
    snprintf(buf, sizeof buf, "qtv-%s-%lu-%u", stem, GetCurrentProcessId(), counter++);
    return buf;
}

std::string ExeDir() {
    char path[MAX_PATH];
    std::string s(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return s.substr(0, s.find_last_of('\\') + 1);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, HANDLE wake) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(wake ? 1 : 0, &wake, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
}

ChildProcess::ChildProcess(const std::string& exeName, const std::vector<std::string>& args, HANDLE hOutput,
                           HANDLE hError, DWORD flags) {
    std::string exe = ExeDir() + exeName, cmd = "\"" + exe + "\"";
    for (const std::string& a : args) cmd += " \"" + a + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (hOutput) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = hOutput;
        si.hStdError = hError ? hError : hOutput;
    }
    if (!CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, !!hOutput, flags, nullptr, nullptr, &si, &m_pi))
        m_pi = {};
}

// A child that never started has null handles, on which these calls fail harmlessly.
ChildProcess::~ChildProcess() {
    End();
    CloseHandle(m_pi.hThread);
    CloseHandle(m_pi.hProcess);
}

void ChildProcess::End() {
    TerminateProcess(m_pi.hProcess, 99);  // fails once it has ended
    WaitForSingleObject(m_pi.hProcess, kWaitMs);
}

bool ChildProcess::WaitForExit(DWORD timeoutMs) {
    const bool ended = m_pi.hProcess && PumpUntilSignalled(m_pi.hProcess, timeoutMs);
    if (!ended) End();
    return ended;
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = 0xDEADBEEF;
    if (m_pi.hProcess) GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

TempFile::TempFile() {
    char dir[MAX_PATH];
    m_path = std::string(dir, GetTempPathA(MAX_PATH, dir)) + UniqueName("file") + ".txt";
}

std::string TempFile::Read() const {
    std::ifstream in(m_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace qtvtest
