#include "qtvutils/files.h"

#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    void operator()(FILE* f) const { fclose(f); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

}  // namespace

BOOL CPathName::Exists() const {
    // Opened for reading in text mode, the way the suite's programs read
    // what they find, and closed at once: a directory, or a file that cannot
    // be read, does not count.
    UniqueFile file(fopen(m_strPathName, "r"));
    return file != nullptr;
}

void CPathName::StorePlatformPath(char* pszPath) {
    // OpenFile's record holds at most 127 characters and its terminator; it
    // is terminated on success, the last byte is cleared only as a bound.
    pszPath[OFS_MAXPATHNAME - 1] = '\0';
    // The 16-bit platform wrote the record in OEM text. Win32 OpenFile (as
    // Wine implements it) writes it in the code page of the file functions:
    // ANSI, unless the process called SetFileApisToOEM. The library's texts
    // are ANSI, so an OEM record is converted (in place, which OemToCharA
    // allows) and an ANSI one is taken as it is: converting that would mangle
    // every byte from 0x80 up.
    if (!AreFileApisANSI()) OemToCharA(pszPath, pszPath);
    m_strPathName = pszPath;
}

BOOL CPathName::FullPath() {
    // OpenFile parses a file name: a path that reads as a directory is parsed
    // with the name "*.*" in it, which is removed again afterwards.
    const bool bDirectory = FileName().IsEmpty();
    if (bDirectory) FileName("*.*");
    // OF_PARSE only fills the record; nothing is opened. On failure the
    // record is left as it was, not even terminated, so it is not read.
    OFSTRUCT record = {};
    const BOOL bParsed = OpenFile(m_strPathName, &record, OF_PARSE) != HFILE_ERROR;
    if (bParsed) StorePlatformPath(record.szPathName);
    if (bDirectory) FileName("");
    return bParsed;
}

BOOL CPathName::Search() {
    // Only the name and extension are given, so that OpenFile searches its
    // standard places (the current directory, the system directories, PATH);
    // OF_EXIST closes the file it opened before returning.
    OFSTRUCT record = {};
    if (OpenFile(LPFileName(), &record, OF_EXIST) == HFILE_ERROR) return 0;
    StorePlatformPath(record.szPathName);
    return 1;
}

BOOL CPathName::SetSearchPath(CString strSearchPath, const char** ppszSearchList) {
    m_strSearchPath = strSearchPath;
    m_ppszSearchList = ppszSearchList;
    return 1;
}

BOOL CPathName::FindFile() {
    if (m_strPathName.IsEmpty()) return 0;

    // The path as given (relative to the current directory when relative).
    CPathName candidate;
    candidate.m_strPathName = m_strPathName;
    candidate.FullPath();
    BOOL bFound = candidate.Exists();

    // The search path with the file's name.
    if (!bFound) {
        candidate.PathName(m_strSearchPath + FileName());
        candidate.FullPath();
        bFound = candidate.Exists();
    }

    // Each listed directory under the search path. The position moves past
    // every entry taken, so the next walk goes on after the one that matched.
    while (!bFound && m_ppszSearchList) {
        const char* pszEntry = *m_ppszSearchList++;
        if (!pszEntry) {
            // The position now lies beyond the caller's array and must not be
            // read: the list counts as empty until SetSearchPath sets one.
            m_ppszSearchList = nullptr;
            break;
        }
        CPathName directory(pszEntry);
        directory.ForceDirectory();
        directory.PathName(m_strSearchPath + directory.Path());
        directory.FullPath();
        candidate.Path(directory);
        bFound = candidate.Exists();
    }

    // The platform's own search for the file's name.
    if (!bFound) {
        candidate.m_strPathName = m_strPathName;
        bFound = candidate.Search();
    }

    if (bFound) m_strPathName = candidate.m_strPathName;
    return bFound;
}
