// QTVUtils files: path names taken apart and put together by their components,
// and the search for files along a search path.
//
// Errors: the text operations never fail; every setter stores a result. The
// file-system operations (FullPath, Search, FindFile) return non-zero on
// success and 0 on failure; a failed Search or FindFile leaves the stored
// path exactly as it was, a failed FullPath keeps it too (a directory's text
// is composed again once its temporary "*.*" is removed). Nothing is ever
// thrown except std::bad_alloc from CString.
//
// Texts: paths are 8-bit text in the ANSI code page, handled byte by byte (no
// double-byte awareness: a trail byte equal to '\' or '.' counts as one). A
// null text counts as empty. Inputs of any length are safe: components are cut
// at their limits when split (drive 2, directory, name and extension 255
// characters each) and a composed path at 259 characters.
//
// Lifetimes: the whole path text is read through the conversion to
// `const char*`; that pointer and those of LPFileName and LPExtension point
// into the object and stay valid until its path next changes. The search list
// given to SetSearchPath belongs to the caller and must stay alive, unchanged,
// while FindFile may walk it. An object belongs to one thread at a time.
#pragma once

#include "qtvutils/framework.h"

// The blanks a path name drops from its start and from the start of each of
// its components: the skip set (a space and a tab) that CPathName hands to a
// CTokenizer.
extern QTVUTILS_API const char QtvWhiteSpaceChars[3];

// One path name: drive ("C:"), directory (up to and including the last '\' or
// '/'), name (up to its last dot) and extension (from that dot). No component
// is kept: each getter splits the stored text anew, each setter splits it,
// replaces a part and composes it again. Composing normalises: blanks at the
// start of each component are dropped, a directory gets a final '\', an
// extension its dot, and every run of backslashes becomes one (forward slashes
// stay as written). Paths are meant to stay within 259 characters.
class QTVUTILS_API CPathName {
public:
    // Sets the path as PathName(pszPathName) does.
    explicit CPathName(const char* pszPathName = nullptr);

    // The whole stored path text.
    operator const char*() const { return m_strPathName; }

    // Getters: each splits the stored text; none changes the object.
    CString Path() const;       // drive and directory, e.g. "C:\dir\"
    CString FileName() const;   // name and extension
    CString Drive() const;      // "C:" or empty
    CString Directory() const;  // with its final separator
    CString Name() const;       // without the extension
    CString Extension() const;  // with its dot, or empty
    char DriveChar() const;     // the drive's letter as stored, or 0
    const char* LPFileName() const;   // into the stored text, where the name begins
    const char* LPExtension() const;  // at the extension's dot, or at the text's NUL
    CString Parent() const;     // the path ToParent would leave; this one is unchanged

    // Setters: each composes and stores a normalised path.
    CPathName& PathName(const char* pszText);   // all four components of pszText
    CPathName& Path(const char* pszText);       // pszText's drive and directory
    CPathName& FileName(const char* pszText);   // pszText's name and extension
    CPathName& Drive(const char* pszText);      // the text's first character and ':'
    CPathName& Drive(char c);                   // c and ':'
    CPathName& Directory(const char* pszText);  // the whole text, as the directory
    CPathName& Name(const char* pszText);       // the whole text, as the name
    CPathName& Extension(const char* pszText);  // the whole text, dot added if missing

    // Reading the same text as a directory or as a file.
    CPathName& ForceDirectory();  // name and extension become part of the directory
    CPathName& ForceFile();       // a directory's final '\' is dropped (not a lone "\")
    CPathName& ToParent();        // ForceFile, then the last element removed

    // The file system. Relative paths are resolved against the process's
    // current directory. FullPath and Search go through the platform's
    // OpenFile, whose record holds 127 characters: longer paths cannot be
    // qualified or searched and report 0.

    // Makes the stored path fully qualified (a path without a file name stays
    // a directory). 0 when the platform cannot parse it.
    BOOL FullPath();
    // Looks for the path's name and extension along the platform's search
    // path for files (its directory plays no part); stores the full path found.
    BOOL Search();
    // Sets what FindFile puts before a file name or a list entry (plain
    // concatenation: a directory ends with '\'), and a caller-owned list of
    // directories ending with a null entry (null: none). Always 1.
    BOOL SetSearchPath(CString strSearchPath, const char** ppszSearchList);
    // Looks for the file, first place that has it wins: the path as given;
    // the search path and the path's file name; each list entry under the
    // search path with that file name; the platform's search path. Stores the
    // full path found. The list is walked once per SetSearchPath: each walk
    // goes on after the entry that matched last, and a list that ran out
    // counts as empty until it is set again.
    BOOL FindFile();

private:
    void Compose(const char* pszDrive, const char* pszDir, const char* pszName, const char* pszExt);
    BOOL Exists() const;
    void StorePlatformPath(char* pszPath);

    CString m_strPathName;
    CString m_strSearchPath;
    const char** m_ppszSearchList;  // position in the caller's list, or null
};
