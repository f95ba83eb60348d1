// QTVUtils: how the library's declarations are exported and imported, and
// the one place where a compiler-specific spelling is allowed in the public
// headers.
#pragma once

#include <windows.h>

#ifdef QTVUTILS_BUILD
#define QTVUTILS_API __declspec(dllexport)
#else
#define QTVUTILS_API __declspec(dllimport)
#endif

// Lets GCC and Clang check the arguments of a printf-style member function
// (the format is argument fmt, the values start at first, counting the
// object as 1); nothing on other compilers.
#if defined(__GNUC__) || defined(__clang__)
#define QTVUTILS_PRINTF_FORMAT(fmt, first) __attribute__((format(gnu_printf, fmt, first)))
#else
#define QTVUTILS_PRINTF_FORMAT(fmt, first)
#endif
