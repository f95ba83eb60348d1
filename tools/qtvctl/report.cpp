#include "report.h"

#include <cstdarg>
#include <cstdio>

int Complain(int status, const char* format, ...) {
    fputs("qtvctl: ", stderr);
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    fputc('\n', stderr);
    fflush(stderr);
    return status;
}

std::string CodeText(DWORD code) {
    char text[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    // The platform's texts end in a line break.
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) --n;
    std::string result = "error " + std::to_string(code);
    return n ? result + ": " + std::string(text, n) : result;
}
