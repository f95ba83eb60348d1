#include "qtvutils/files.h"

#include "files/path_split.h"

#include <cstring>

using qtv::PathParts;

namespace {

PathParts Split(const char* pszText) {
    PathParts parts;
    qtv::SplitPath(pszText, parts);
    return parts;
}

CString Join(const char* pszFirst, const char* pszSecond) {
    CString text(pszFirst);
    text += pszSecond;
    return text;
}

}  // namespace

CPathName::CPathName(const char* pszPathName) : m_ppszSearchList(nullptr) { PathName(pszPathName); }

void CPathName::Compose(const char* pszDrive, const char* pszDir, const char* pszName, const char* pszExt) {
    // Composed in a local area first: the components may point into the
    // stored text that this replaces. Assigning the text keeps the stored
    // string's buffer when it is large enough.
    char szPath[qtv::kMaxPath];
    qtv::ComposePath(pszDrive, pszDir, pszName, pszExt, szPath);
    m_strPathName = szPath;
}

CString CPathName::Path() const {
    PathParts parts = Split(m_strPathName);
    return Join(parts.szDrive, parts.szDir);
}

CString CPathName::FileName() const {
    PathParts parts = Split(m_strPathName);
    return Join(parts.szName, parts.szExt);
}

CString CPathName::Drive() const { return Split(m_strPathName).szDrive; }
CString CPathName::Directory() const { return Split(m_strPathName).szDir; }
CString CPathName::Name() const { return Split(m_strPathName).szName; }
CString CPathName::Extension() const { return Split(m_strPathName).szExt; }
char CPathName::DriveChar() const { return Split(m_strPathName).szDrive[0]; }

// The split positions are used rather than the components' lengths, so the
// pointers land where the name and extension begin even when a component
// was too long for its area.
const char* CPathName::LPFileName() const { return Split(m_strPathName).pName; }
const char* CPathName::LPExtension() const { return Split(m_strPathName).pExt; }

CString CPathName::Parent() const {
    CPathName parent(m_strPathName);
    parent.ToParent();
    return parent.m_strPathName;
}

CPathName& CPathName::PathName(const char* pszText) {
    PathParts given = Split(pszText);
    Compose(given.szDrive, given.szDir, given.szName, given.szExt);
    return *this;
}

CPathName& CPathName::Path(const char* pszText) {
    PathParts stored = Split(m_strPathName);
    PathParts given = Split(pszText);
    Compose(given.szDrive, given.szDir, stored.szName, stored.szExt);
    return *this;
}

CPathName& CPathName::FileName(const char* pszText) {
    PathParts stored = Split(m_strPathName);
    PathParts given = Split(pszText);
    Compose(stored.szDrive, stored.szDir, given.szName, given.szExt);
    return *this;
}

CPathName& CPathName::Drive(const char* pszText) {
    PathParts stored = Split(m_strPathName);
    Compose(pszText, stored.szDir, stored.szName, stored.szExt);
    return *this;
}

CPathName& CPathName::Drive(char c) {
    const char szDrive[3] = {c, ':', '\0'};
    return Drive(szDrive);
}

CPathName& CPathName::Directory(const char* pszText) {
    PathParts stored = Split(m_strPathName);
    Compose(stored.szDrive, pszText, stored.szName, stored.szExt);
    return *this;
}

CPathName& CPathName::Name(const char* pszText) {
    PathParts stored = Split(m_strPathName);
    Compose(stored.szDrive, stored.szDir, pszText, stored.szExt);
    return *this;
}

CPathName& CPathName::Extension(const char* pszText) {
    PathParts stored = Split(m_strPathName);
    Compose(stored.szDrive, stored.szDir, stored.szName, pszText);
    return *this;
}

CPathName& CPathName::ForceDirectory() {
    PathParts stored = Split(m_strPathName);
    // Directory, name and extension joined, cut to a path's length: the
    // compose step cuts there anyway.
    char szDir[qtv::kMaxPath] = "";
    qtv::AppendCut(szDir, qtv::kMaxPath, stored.szDir);
    qtv::AppendCut(szDir, qtv::kMaxPath, stored.szName);
    qtv::AppendCut(szDir, qtv::kMaxPath, stored.szExt);
    Compose(stored.szDrive, szDir, "", "");
    return *this;
}

CPathName& CPathName::ForceFile() {
    PathParts stored = Split(m_strPathName);
    if (stored.szName[0] || stored.szExt[0]) return *this;
    // A lone "\" is the root and keeps its backslash; a final '/' stays too.
    size_t nDir = strlen(stored.szDir);
    if (nDir >= 2 && stored.szDir[nDir - 1] == '\\') stored.szDir[nDir - 1] = '\0';
    // Stored as split, without composing: nothing is added or collapsed.
    m_strPathName = Join(stored.szDrive, stored.szDir);
    return *this;
}

CPathName& CPathName::ToParent() {
    ForceFile();
    return FileName("");
}
