#pragma once
// A file that replaces another once it is complete: the bytes go to a new
// file of a unique name beside the target (made with mkstemp, so no file or
// link of that name is followed or overwritten), which Commit renames over
// the target. A target that is a symbolic link is replaced by the file, not
// written through. Until Commit, and when it fails, the target stays as it
// was and the new file is removed at the end. The file takes the usual
// mode of a new file (0666 less the umask).

#include <string>

class CReplacingFile {
public:
    // path: the target; an empty or null path opens nothing.
    explicit CReplacingFile(const wchar_t* path);
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // Writes all of the bytes; false on a failed write.
    bool Write(const std::string& bytes);
    // Closes the file and renames it over the target; false when either
    // fails.
    bool Commit();

private:
    std::string m_target;
    std::string m_temporary;
    int m_fd = -1;
};
