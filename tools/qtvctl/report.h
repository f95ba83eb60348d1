// How qtvctl ends: exit statuses, and messages on stderr ("qtvctl: ...").
// Results go to stdout, everything else to stderr.
#pragma once

#include <windows.h>

#include <string>

enum ExitStatus {
    kExitOk = 0,
    kExitFailed = 1,    // the operation failed
    kExitUsage = 2,     // the command line is wrong
    kExitNoRouter = 3,  // no router runs (or it went away)
};

// Prints "qtvctl: <text>" and a line end to stderr; returns status.
int Complain(int status, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

// "error N: <the platform's text for N>", for a registry result or a last
// error.
std::string CodeText(DWORD code);
