#include "reg_file.h"

#include "command_line.h"

#include "qtvutils/cstring.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

using std::string_view;
const size_t npos = string_view::npos;

// regedit keeps hex lines within 80 columns: a line is broken after the
// comma that reaches this column.
const size_t kWrapColumn = 76;
// The registry's limits on names.
const size_t kMaxKeyName = 255, kMaxValueName = 16383;

bool HasControlCharacter(string_view s) {
    for (unsigned char c : s)
        if (c < 0x20) return true;
    return false;
}

std::string Quoted(string_view s) {
    std::string q = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') q += '\\';
        q += c;
    }
    return q + '"';
}

string_view TrimLeft(string_view s) {
    size_t n = s.find_first_not_of(" \t");
    return n == npos ? string_view() : s.substr(n);
}

string_view TrimRight(string_view s) {
    size_t n = s.find_last_not_of(" \t");
    return n == npos ? string_view() : s.substr(0, n + 1);
}

bool EqualNoCase(string_view a, string_view b) {
    auto text = [](string_view s) { return CString(s.data(), static_cast<int>(s.size())); };
    return text(a).CompareNoCase(text(b)) == 0;
}

// 1 to maxDigits hex digits, nothing else.
bool ParseHexNumber(string_view s, size_t maxDigits, DWORD& value) {
    unsigned long long n = 0;
    if (s.empty() || s.size() > maxDigits || !ParseNumber("0x" + std::string(s), 0xFFFFFFFF, false, n)) return false;
    value = static_cast<DWORD>(n);
    return true;
}

// A piece of a line for a message: lines can be of any length.
std::string Shown(string_view s) {
    return s.size() <= 24 ? std::string(s) : std::string(s.substr(0, 24)) + "...";
}

class Parser {
public:
    Parser(const std::string& text, const std::string& schemesPath, RegFileContent& content)
        : m_text(text), m_schemesPath(schemesPath), m_content(content) {}

    bool Run();

    int m_line = 0;
    std::string m_what;

private:
    enum class Read { kLine, kEnd, kBad };
    Read NextLine(string_view& line);
    bool Fail(const std::string& what) {
        m_what = what;
        return false;
    }
    bool ParseSection(string_view line);
    bool ParseValue(string_view line);
    bool ParseQuoted(string_view& rest, std::string& text);
    bool ParseData(string_view rest, RegFileValue& value);
    bool ParseHex(string_view rest, std::string& bytes);

    const std::string& m_text;
    const std::string& m_schemesPath;
    RegFileContent& m_content;
    size_t m_pos = 0;
};

Parser::Read Parser::NextLine(string_view& line) {
    if (m_pos >= m_text.size()) return Read::kEnd;
    ++m_line;
    const size_t lineEnd = m_text.find('\n', m_pos);
    line = string_view(m_text).substr(m_pos, lineEnd == npos ? npos : lineEnd - m_pos);
    m_pos = lineEnd == npos ? m_text.size() : lineEnd + 1;
    const size_t nul = line.find('\0');
    if (nul != npos) {
        Fail("a NUL byte in column " + std::to_string(nul + 1));
        return Read::kBad;
    }
    // regedit ends every line, the last one too: a line without its end is
    // what is left of a file cut short.
    if (lineEnd == npos) {
        Fail("the file ends in the middle of this line: it is truncated");
        return Read::kBad;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return Read::kLine;
}

bool Parser::Run() {
    string_view line;
    Read read = NextLine(line);
    if (read == Read::kEnd) {
        m_line = 1;
        return Fail("the file is empty");
    }
    if (read == Read::kBad) return false;
    if (TrimRight(line) != "REGEDIT4") return Fail("bad header: the first line of a registration file is REGEDIT4");
    while ((read = NextLine(line)) == Read::kLine) {
        line = TrimLeft(line);
        if (line.empty() || line[0] == ';') continue;  // a blank line or a comment
        bool ok = line[0] == '['                     ? ParseSection(line)
                  : line[0] == '"' || line[0] == '@' ? ParseValue(line)
                                                      : Fail("neither a section, a value nor a comment");
        if (!ok) return false;
    }
    if (read == Read::kBad) return false;
    if (m_content.sections.empty()) return Fail("the file has no section, so it names no scheme");
    return true;
}

bool Parser::ParseSection(string_view line) {
    const size_t close = line.rfind(']');
    if (close == npos) return Fail("the section has no closing ]");
    if (!TrimLeft(line.substr(close + 1)).empty()) return Fail("text after the section's closing ]");
    const string_view path = line.substr(1, close - 1);
    if (!path.empty() && path[0] == '-') return Fail("a file cannot delete keys here");
    const string_view root = m_schemesPath;
    if (path.size() <= root.size() + 1 || !EqualNoCase(path.substr(0, root.size()), root) ||
        path[root.size()] != '\\')
        return Fail("the section [" + Shown(path) + "] lies outside the schemes of this product and application");

    const string_view inScheme = path.substr(root.size() + 1);
    for (size_t start = 0;;) {
        const size_t slash = inScheme.find('\\', start);
        const string_view name = inScheme.substr(start, slash == npos ? npos : slash - start);
        if (name.empty()) return Fail("an empty key name in the section");
        if (name.size() > kMaxKeyName) return Fail("a key name longer than 255 characters");
        if (slash == npos) break;
        start = slash + 1;
    }
    const size_t slash = inScheme.find('\\');
    const std::string scheme(inScheme.substr(0, slash));
    if (m_content.sections.empty())
        m_content.scheme = scheme;
    else if (!EqualNoCase(scheme, m_content.scheme))
        return Fail("the section lies outside the scheme \"" + m_content.scheme + "\" of line " +
                    std::to_string(m_content.sections.front().line));
    m_content.sections.push_back({m_line, slash == npos ? std::string() : std::string(inScheme.substr(slash + 1)), {}});
    return true;
}

bool Parser::ParseValue(string_view line) {
    if (m_content.sections.empty()) return Fail("a value before any section");
    RegFileValue value = {std::string(), REG_NONE, std::string()};
    string_view rest = line;
    if (rest[0] == '@')
        rest.remove_prefix(1);
    else if (!ParseQuoted(rest, value.name))
        return false;
    if (value.name.size() > kMaxValueName) return Fail("a value name longer than 16383 characters");
    rest = TrimLeft(rest);
    if (rest.empty() || rest[0] != '=') return Fail("no = after the value's name");
    if (!ParseData(TrimLeft(rest.substr(1)), value)) return false;
    m_content.sections.back().values.push_back(value);
    return true;
}

// A quoted text at the start of rest, in which \\ and \" stand for \ and ";
// rest moves past it.
bool Parser::ParseQuoted(string_view& rest, std::string& text) {
    for (size_t i = 1; i < rest.size(); ++i) {
        const char c = rest[i];
        if (c == '"') {
            rest.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\') {
            if (++i == rest.size()) break;
            if (rest[i] != '\\' && rest[i] != '"') return Fail(std::string("a bad escape \\") + rest[i]);
        }
        text += rest[i];
    }
    return Fail("the text has no closing quote");
}

bool Parser::ParseData(string_view rest, RegFileValue& value) {
    if (!rest.empty() && rest[0] == '"') {
        std::string text;
        if (!ParseQuoted(rest, text)) return false;
        if (!TrimLeft(rest).empty()) return Fail("text after the value's closing quote");
        value.type = REG_SZ;
        value.bytes = text + '\0';
        return true;
    }
    if (!rest.empty() && rest[0] == '-') return Fail("a file cannot delete values here");
    if (rest.compare(0, 6, "dword:") == 0) {
        DWORD n = 0;
        if (!ParseHexNumber(TrimRight(rest.substr(6)), 8, n)) return Fail("a bad dword: 1 to 8 hex digits");
        value.type = REG_DWORD;
        value.bytes.assign(reinterpret_cast<const char*>(&n), sizeof n);
        return true;
    }
    if (rest.compare(0, 4, "hex:") == 0) {
        value.type = REG_BINARY;
        return ParseHex(rest.substr(4), value.bytes);
    }
    const size_t close = rest.find("):");
    if (rest.compare(0, 4, "hex(") == 0 && close != npos) {
        if (!ParseHexNumber(rest.substr(4, close - 4), 8, value.type)) return Fail("a bad type in hex(N):");
        return ParseHex(rest.substr(close + 2), value.bytes);
    }
    return Fail("an unknown kind of value: expected \"text\", dword:, hex: or hex(N):");
}

// Comma-separated bytes of one or two hex digits; a line ending in a
// backslash goes on on the next line.
bool Parser::ParseHex(string_view rest, std::string& bytes) {
    const int first = m_line;
    for (;;) {
        string_view piece = TrimRight(rest);
        const bool more = !piece.empty() && piece.back() == '\\';
        if (more) piece.remove_suffix(1);
        for (size_t start = 0;;) {
            const size_t comma = piece.find(',', start);
            const string_view token = TrimRight(TrimLeft(piece.substr(start, comma == npos ? npos : comma - start)));
            DWORD byte = 0;
            if (!token.empty() && !ParseHexNumber(token, 2, byte)) return Fail("bad hex: \"" + Shown(token) + "\"");
            // Nothing stands only after the last comma before a line break,
            // or in a value without bytes.
            if (token.empty() && !(comma == npos && (more || TrimLeft(piece).empty())))
                return Fail("bad hex: a missing byte");
            if (!token.empty()) bytes += static_cast<char>(byte);
            if (comma == npos) break;
            start = comma + 1;
        }
        if (!more) return true;
        string_view line;
        const Read read = NextLine(line);
        if (read == Read::kEnd) return Fail("the file ends inside the value begun on line " + std::to_string(first));
        if (read == Read::kBad) return false;
        rest = TrimLeft(line);
    }
}

}  // namespace

RegFileWriter::RegFileWriter() : m_text("REGEDIT4\r\n") {}

bool RegFileWriter::Section(const std::string& path) {
    if (HasControlCharacter(path)) return false;
    m_text += "\r\n[" + path + "]\r\n";
    return true;
}

bool RegFileWriter::Value(const std::string& name, DWORD type, const std::string& bytes) {
    if (HasControlCharacter(name)) return false;
    std::string line = name.empty() ? "@=" : Quoted(name) + "=";
    const size_t firstZero = bytes.find('\0');
    char form[24];
    if (type == REG_SZ && firstZero != npos && firstZero + 1 == bytes.size() &&
        !HasControlCharacter(string_view(bytes).substr(0, firstZero))) {
        m_text += line + Quoted(string_view(bytes).substr(0, firstZero)) + "\r\n";
    } else if (type == REG_DWORD && bytes.size() == sizeof(DWORD)) {
        DWORD n;
        memcpy(&n, bytes.data(), sizeof n);
        snprintf(form, sizeof form, "dword:%08lx", n);
        m_text += line + form + "\r\n";
    } else {
        if (type == REG_BINARY)
            snprintf(form, sizeof form, "hex:");
        else
            snprintf(form, sizeof form, "hex(%lx):", type);
        line += form;
        m_text += line;
        Hex(bytes, line.size());
        m_text += "\r\n";
    }
    return true;
}

void RegFileWriter::Hex(const std::string& bytes, size_t column) {
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        m_text += digits[b >> 4];
        m_text += digits[b & 15];
        column += 2;
        if (i + 1 == bytes.size()) break;
        m_text += ',';
        if (++column >= kWrapColumn) {
            m_text += "\\\r\n  ";
            column = 2;
        }
    }
}

bool ParseRegFile(const std::string& text, const std::string& schemesPath, RegFileContent& content, int& line,
                  std::string& what) {
    Parser parser(text, schemesPath, content);
    if (parser.Run()) return true;
    line = parser.m_line;
    what = parser.m_what;
    return false;
}
