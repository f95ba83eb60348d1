// Helpers for tests that run real processes and real message loops. Every
// wait is bounded; nothing sleeps blindly.
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

// Dispatches this thread's messages until cond() holds or the time is up.
bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs = kWaitMs);
// Dispatches this thread's messages until the handle is signalled.
bool PumpUntilSignalled(HANDLE h, DWORD timeoutMs = kWaitMs);
// Dispatches what is queued now.
void PumpPending();

// An event shared with a child process by name.
class NamedEvent {
public:
    NamedEvent();                          // creates a fresh, unique event
    explicit NamedEvent(const std::string& name);  // opens an existing one
    ~NamedEvent();
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

// A second process started from an executable beside this one. A child that
// is still running when the object goes is killed.
class ChildProcess {
public:
    // With hOutput, the child's stdout and stderr go there (an inheritable
    // handle).
    ChildProcess(const std::string& exeName, const std::vector<std::string>& args, HANDLE hOutput = nullptr,
                 HANDLE hError = nullptr);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pi.hProcess != nullptr; }
    DWORD ProcessId() const { return m_pi.dwProcessId; }
    HANDLE Handle() const { return m_pi.hProcess; }
    // Waits for the child to end, dispatching this thread's messages (the
    // child may be talking to a window of ours); kills it on timeout.
    bool WaitForExit(DWORD timeoutMs = kWaitMs);
    DWORD ExitCode() const;

private:
    PROCESS_INFORMATION m_pi = {};
};

// A temporary file's path, deleted when the object goes.
class TempFile {
public:
    TempFile();
    ~TempFile();
    const std::string& Path() const { return m_path; }
    std::string Read() const;
    // The file's lines, without their line ends (CR LF from text-mode writes).
    std::vector<std::string> ReadLines() const;

private:
    std::string m_path;
};

}  // namespace qtvtest
