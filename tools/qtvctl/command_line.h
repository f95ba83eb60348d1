// qtvctl's command line: a command, its arguments and options, in any order
// ("--" ends the options). Numbers are decimal or 0x hex.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The options, as bits of Options::given.
enum OptionBit : unsigned {
    kOptProduct = 1 << 0,
    kOptApp = 1 << 1,
    kOptRange = 1 << 2,
    kOptMessage = 1 << 3,
    kOptCount = 1 << 4,
    kOptSeconds = 1 << 5,
};

struct Options {
    std::string command;            // empty when none was given
    std::vector<std::string> args;  // the arguments after the command
    unsigned given = 0;             // OptionBit of every option given
    std::string product, app;
    UINT rangeFirst = 0, rangeLast = 0;
    std::vector<UINT> messages;
    UINT count = 0, seconds = 0;
};

// Fills options from argv; false with the complaint in error when an option
// is unknown, repeated (all but --message), lacks its value or has a bad one.
bool ParseCommandLine(int argc, char** argv, Options& options, std::string& error);

// "--product" for kOptProduct, and so on.
const char* OptionName(unsigned bit);

// Text as a number no greater than max: decimal, or hex after 0x. With
// negative, "-N" (decimal) gives N's two's complement within max, which must
// be a width's all-ones value.
bool ParseNumber(const std::string& text, unsigned long long max, bool negative, unsigned long long& value);
