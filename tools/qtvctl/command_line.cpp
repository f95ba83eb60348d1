#include "command_line.h"

namespace {

struct OptionSpec {
    const char* name;
    OptionBit bit;
};

const OptionSpec kOptions[] = {
    {"--product", kOptProduct}, {"--app", kOptApp},     {"--range", kOptRange},
    {"--message", kOptMessage}, {"--count", kOptCount}, {"--seconds", kOptSeconds},
};

bool ParseUint(const std::string& text, UINT min, UINT& value) {
    unsigned long long n = 0;
    if (!ParseNumber(text, 0xFFFFFFFFull, false, n) || n < min) return false;
    value = static_cast<UINT>(n);
    return true;
}

bool TakeValue(OptionBit bit, const std::string& text, Options& o) {
    switch (bit) {
    case kOptProduct:
        o.product = text;
        return true;
    case kOptApp:
        o.app = text;
        return true;
    case kOptRange: {
        // The dash after the first character: neither end is negative.
        size_t dash = text.find('-', 1);
        return dash != std::string::npos && ParseUint(text.substr(0, dash), 0, o.rangeFirst) &&
               ParseUint(text.substr(dash + 1), 0, o.rangeLast) && o.rangeFirst <= o.rangeLast;
    }
    case kOptMessage: {
        UINT message = 0;
        if (!ParseUint(text, 0, message)) return false;
        o.messages.push_back(message);
        return true;
    }
    case kOptCount:
        return ParseUint(text, 1, o.count);
    case kOptSeconds:
        return ParseUint(text, 1, o.seconds);
    }
    return false;
}

}  // namespace

const char* OptionName(unsigned bit) {
    for (const OptionSpec& s : kOptions)
        if (s.bit == bit) return s.name;
    return "";
}

bool ParseNumber(const std::string& text, unsigned long long max, bool negative, unsigned long long& value) {
    const char* p = text.c_str();
    bool minus = negative && *p == '-';
    if (minus) ++p;
    const bool hex = !minus && p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if (hex) p += 2;
    const unsigned base = hex ? 16 : 10;
    if (!*p) return false;
    unsigned long long n = 0;
    for (; *p; ++p) {
        const char lower = static_cast<char>(*p | 0x20);
        unsigned digit;
        if (*p >= '0' && *p <= '9')
            digit = static_cast<unsigned>(*p - '0');
        else if (hex && lower >= 'a' && lower <= 'f')
            digit = static_cast<unsigned>(lower - 'a' + 10);
        else
            return false;
        if (n > (max - digit) / base) return false;  // beyond max
        n = n * base + digit;
    }
    if (minus) {
        // At most the magnitude of the width's most negative number.
        if (n > max / 2 + 1) return false;
        n = (~n + 1) & max;
    }
    value = n;
    return true;
}

bool ParseCommandLine(int argc, char** argv, Options& o, std::string& error) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.compare(0, 2, "--") != 0) {
            if (o.command.empty())
                o.command = arg;
            else
                o.args.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& s : kOptions)
            if (arg == s.name) spec = &s;
        if (!spec) {
            error = "unknown option " + arg;
            return false;
        }
        if ((o.given & spec->bit) && spec->bit != kOptMessage) {
            error = arg + " is given twice";
            return false;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (!TakeValue(spec->bit, value, o)) {
            error = "bad value for " + arg + ": \"" + value + "\"";
            return false;
        }
        o.given |= spec->bit;
    }
    return true;
}
