// Registration files in the REGEDIT4 format that regedit reads and writes:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\SOFTWARE\...\Schemes\Racing]
//   @="the unnamed value"
//   "Text"="with \"quotes\" and \\ backslashes"
//   "Number"=dword:0000002a
//   "Bytes"=hex:01,02,ff
//   "List"=hex(7):61,00,62,00,00
//
// Text is 8-bit, in the ANSI code page. Lines end in CR LF when written;
// LF alone is read too. hex data runs on over lines that end in a backslash.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Writes a file, key by key.
class RegFileWriter {
public:
    RegFileWriter();

    // A key's section, its full path with the root's name. False, with nothing
    // written, when the path holds a control character, which a line cannot
    // carry.
    bool Section(const std::string& path);
    // A value of the last section: text in quotes when it is REG_SZ ending in
    // its only zero byte and free of control characters, dword: for a 4-byte
    // REG_DWORD, hex: or hex(type): for everything else, so that every value
    // reads back with its exact bytes. False as for Section, for the name.
    bool Value(const std::string& name, DWORD type, const std::string& bytes);
    // The whole file, ending in an empty line as regedit's do.
    std::string Text() const { return m_text + "\r\n"; }

private:
    void Hex(const std::string& bytes, size_t column);

    std::string m_text;
};

struct RegFileValue {
    std::string name;  // empty for the unnamed value (@)
    DWORD type;
    std::string bytes;
};

struct RegFileSection {
    int line;
    std::string subkey;  // below the scheme's key; empty for the key itself
    std::vector<RegFileValue> values;
};

// A parsed file: the one scheme its sections lie in, and the sections in
// their order.
struct RegFileContent {
    std::string scheme;
    std::vector<RegFileSection> sections;
};

// Parses a whole file whose sections must all lie in one scheme below
// schemesPath (the schemes key with the root's name, compared in any ASCII
// letter case as the registry compares names). Keys and values cannot be
// deleted by a file. False at the first fault, with its line (from 1) and
// what is wrong.
bool ParseRegFile(const std::string& text, const std::string& schemesPath, RegFileContent& content, int& line,
                  std::string& what);
