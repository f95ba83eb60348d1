#include "support/test_support.h"

#include <atomic>
#include <cstdio>
#include <sstream>

namespace qtvtest {

std::string UniqueName(const char* stem) {
    static std::atomic<unsigned> counter{0};
    char buf[128];
    snprintf(buf, sizeof buf, "qtv-%s-%lu-%u", stem, GetCurrentProcessId(), counter++);
    return buf;
}

std::string ExeDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

void PumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpPending();
        if (cond()) return true;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
}

bool PumpUntilSignalled(HANDLE h, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpPending();
        ULONGLONG now = GetTickCount64();
        DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, left, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;
    }
}

NamedEvent::NamedEvent() : m_name(UniqueName("event")) {
    m_h = CreateEventA(nullptr, TRUE, FALSE, m_name.c_str());
}

NamedEvent::NamedEvent(const std::string& name) : m_name(name) {
    m_h = OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str());
}

NamedEvent::~NamedEvent() {
    if (m_h) CloseHandle(m_h);
}

ChildProcess::ChildProcess(const std::string& exeName, const std::vector<std::string>& args, HANDLE hOutput,
                           HANDLE hError) {
    std::string exe = ExeDir() + exeName;
    std::string cmd = "\"" + exe + "\"";
    for (const std::string& a : args) cmd += " \"" + a + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (hOutput) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = hOutput;
        si.hStdError = hError ? hError : hOutput;
    }
    if (!CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, hOutput != nullptr, 0, nullptr, nullptr, &si,
                        &m_pi))
        m_pi = {};
}

ChildProcess::~ChildProcess() {
    if (!m_pi.hProcess) return;
    if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_pi.hProcess, 99);
        WaitForSingleObject(m_pi.hProcess, kWaitMs);
    }
    CloseHandle(m_pi.hThread);
    CloseHandle(m_pi.hProcess);
}

bool ChildProcess::WaitForExit(DWORD timeoutMs) {
    if (!m_pi.hProcess) return false;
    if (PumpUntilSignalled(m_pi.hProcess, timeoutMs)) return true;
    TerminateProcess(m_pi.hProcess, 99);
    WaitForSingleObject(m_pi.hProcess, kWaitMs);
    return false;
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = 0xDEADBEEF;
    if (m_pi.hProcess) GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

TempFile::TempFile() {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    m_path = std::string(dir) + UniqueName("file") + ".txt";
}

TempFile::~TempFile() { DeleteFileA(m_path.c_str()); }

std::string TempFile::Read() const {
    std::string text;
    if (FILE* f = fopen(m_path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        fclose(f);
    }
    return text;
}

std::vector<std::string> TempFile::ReadLines() const {
    std::vector<std::string> lines;
    std::istringstream in(Read());
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace qtvtest
