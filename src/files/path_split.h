// Splitting a path text into drive, directory, name and extension, and
// composing one from them. All work happens in fixed areas of the runtime's
// sizes (_MAX_DRIVE, _MAX_DIR, _MAX_FNAME, _MAX_EXT, _MAX_PATH); every copy
// into them is cut at their size, whatever the input's length.
#pragma once

namespace qtv {

const int kMaxDrive = 3;
const int kMaxDir = 256;
const int kMaxFname = 256;
const int kMaxExt = 256;
const int kMaxPath = 260;

// Where a text begins once its leading spaces and tabs are dropped ("" for
// null).
const char* SkipBlanks(const char* pszText);

struct PathParts {
    char szDrive[kMaxDrive];  // "X:" or empty
    char szDir[kMaxDir];      // up to and including the last '\' or '/'
    char szName[kMaxFname];   // up to the last dot after the directory
    char szExt[kMaxExt];      // from that dot, or empty
    // Where the name and the extension begin in the text that was split
    // (pExt: at the text's NUL without an extension). They stay right for
    // components longer than their areas.
    const char* pName;
    const char* pExt;
};

// Splits a text without its leading blanks. Each component is cut at its
// area's size.
void SplitPath(const char* pszText, PathParts& parts);

// Composes drive (its first character and ':'), directory (a '\' added when
// it ends in no separator), name and extension (a '.' added when it has
// none), each without leading blanks; every run of backslashes becomes one.
// The result is cut at kMaxPath - 1 characters; returns its length.
int ComposePath(const char* pszDrive, const char* pszDir, const char* pszName, const char* pszExt,
                char (&out)[kMaxPath]);

// Copies a text of nLength characters into an area, cut to fit, terminated.
void CopyCut(char* pArea, int nAreaSize, const char* pch, int nLength);
// Appends a text to the one in an area, cut to fit.
void AppendCut(char* pArea, int nAreaSize, const char* psz);

}  // namespace qtv
