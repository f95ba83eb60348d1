#include "files/path_split.h"

#include "qtvutils/files.h"
#include "qtvutils/text.h"

#include <cstring>

// Shared so that every path name skips exactly the same blanks.
const char QtvWhiteSpaceChars[3] = " \t";

namespace qtv {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Appends to the composed path, leaving out every backslash that would follow
// another one (so runs collapse as they are written, network paths'
// leading pair included) and everything beyond the last character's room.
class PathWriter {
public:
    explicit PathWriter(char (&out)[kMaxPath]) : m_pBegin(out), m_p(out), m_pLimit(out + kMaxPath - 1) {}

    void Put(char c) {
        if (c == '\\' && m_p > m_pBegin && m_p[-1] == '\\') return;
        if (m_p < m_pLimit) *m_p++ = c;
    }
    // Writes a text; returns its last character (0 for an empty text). Stops
    // reading once the area is full: nothing more can be written then.
    char Put(const char* psz) {
        char last = 0;
        for (; *psz && m_p < m_pLimit; ++psz) Put(last = *psz);
        return last;
    }
    int Finish() {
        *m_p = '\0';
        return static_cast<int>(m_p - m_pBegin);
    }

private:
    char* m_pBegin;
    char* m_p;
    char* m_pLimit;
};

}  // namespace

void CopyCut(char* pArea, int nAreaSize, const char* pch, int nLength) {
    if (nLength > nAreaSize - 1) nLength = nAreaSize - 1;
    memcpy(pArea, pch, nLength);
    pArea[nLength] = '\0';
}

void AppendCut(char* pArea, int nAreaSize, const char* psz) {
    int nUsed = static_cast<int>(strlen(pArea));
    CopyCut(pArea + nUsed, nAreaSize - nUsed, psz, static_cast<int>(strlen(psz)));
}

const char* SkipBlanks(const char* pszText) {
    // A tokenizer's position after construction is the first character that
    // is not in its skip set; the scanner's postfix step hands it out. No
    // token is taken, so nothing is written into the text.
    CTokenizer blanks(pszText, QtvWhiteSpaceChars, nullptr);
    return blanks++;
}

void SplitPath(const char* pszText, PathParts& parts) {
    const char* p = SkipBlanks(pszText);
    int nDrive = (p[0] && p[1] == ':') ? 2 : 0;
    CopyCut(parts.szDrive, kMaxDrive, p, nDrive);
    p += nDrive;

    // One pass finds the last separator and the last dot after it.
    const char* pName = p;
    const char* pDot = nullptr;
    const char* q = p;
    for (; *q; ++q) {
        if (IsSeparator(*q)) {
            pName = q + 1;
            pDot = nullptr;
        } else if (*q == '.') {
            pDot = q;
        }
    }
    const char* pExt = pDot ? pDot : q;
    CopyCut(parts.szDir, kMaxDir, p, static_cast<int>(pName - p));
    CopyCut(parts.szName, kMaxFname, pName, static_cast<int>(pExt - pName));
    CopyCut(parts.szExt, kMaxExt, pExt, static_cast<int>(q - pExt));
    parts.pName = pName;
    parts.pExt = pExt;
}

int ComposePath(const char* pszDrive, const char* pszDir, const char* pszName, const char* pszExt,
                char (&out)[kMaxPath]) {
    PathWriter writer(out);
    pszDrive = SkipBlanks(pszDrive);
    if (*pszDrive) {
        writer.Put(*pszDrive);  // "C", "C:" and "Cxyz" all give "C:"
        writer.Put(':');
    }
    char last = writer.Put(SkipBlanks(pszDir));
    if (last && !IsSeparator(last)) writer.Put('\\');
    writer.Put(SkipBlanks(pszName));
    pszExt = SkipBlanks(pszExt);
    if (*pszExt) {
        if (*pszExt != '.') writer.Put('.');
        writer.Put(pszExt);
    }
    return writer.Finish();
}

}  // namespace qtv
