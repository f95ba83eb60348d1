// Helpers for programs that run real processes and real message loops: the
// test programs, their second processes and the demo. No test framework is
// needed. Every wait is bounded; nothing sleeps blindly.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qtvtest {

// Default bound for any wait on another process or a message.
const DWORD kWaitMs = 10000;

// A name unique to this process and call, for events and temporary files.
std::string UniqueName(const char* stem);
// The folder of the running executable, with a final backslash.
std::string ExeDir();

// The message pump: dispatches this thread's messages until done() holds or
// the time is up (false). A message, or the handle `wake` being signalled,
// makes it look again.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs, HANDLE wake = nullptr);
// Pumps until the handle is signalled.
inline bool PumpUntilSignalled(HANDLE h, DWORD timeoutMs = kWaitMs) {
    return PumpUntil([h] { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }, timeoutMs, h);
}
// Dispatches what is queued now.
inline void PumpPending() { PumpUntil([] { return true; }); }

// A manual-reset event shared with another process by name: a fresh one of a
// unique name, or the one of the name given.
class NamedEvent {
public:
    NamedEvent() : m_name(UniqueName("event")), m_h(CreateEventA(nullptr, TRUE, FALSE, m_name.c_str())) {}
    explicit NamedEvent(const std::string& name)
        : m_name(name), m_h(OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str())) {}
    ~NamedEvent() { CloseHandle(m_h); }
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    const std::string& Name() const { return m_name; }
    HANDLE Handle() const { return m_h; }
    void Set() { SetEvent(m_h); }
    bool Wait(DWORD timeoutMs = kWaitMs) { return WaitForSingleObject(m_h, timeoutMs) == WAIT_OBJECT_0; }

private:
    std::string m_name;
    HANDLE m_h;
};

// A second process started from an executable beside this one, with the
// arguments quoted. A child still running when the object goes is killed.
class ChildProcess {
public:
    // With hOutput, the child's stdout and stderr (hError, if given) go there;
    // such handles must be inheritable. flags: CreateProcess's creation flags.
    ChildProcess(const std::string& exeName, const std::vector<std::string>& args, HANDLE hOutput = nullptr,
                 HANDLE hError = nullptr, DWORD flags = 0);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    DWORD ProcessId() const { return m_pi.dwProcessId; }
    HANDLE Handle() const { return m_pi.hProcess; }
    // Waits for the child to end, pumping this thread's messages (the child
    // may be talking to a window of ours); kills it on timeout.
    bool WaitForExit(DWORD timeoutMs = kWaitMs);
    DWORD ExitCode() const;  // 0xDEADBEEF when it was never started

private:
    void End();  // kills it if it still runs, and waits for it
    PROCESS_INFORMATION m_pi = {};
};

// A temporary file's path, deleted when the object goes.
class TempFile {
public:
    TempFile();
    ~TempFile() { DeleteFileA(m_path.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return m_path; }
    std::string Read() const;

private:
    std::string m_path;
};

}  // namespace qtvtest
