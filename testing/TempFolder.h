#pragma once
// A fresh folder for one test, removed with everything in it when the
// fixture ends. RedirectHome() also points HOME, the XDG folders and the
// registry folder into it until the fixture ends.

#include <map>
#include <optional>
#include <string>

namespace kvxtest {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::wstring WPath() const;
    // Path of a name inside the folder.
    std::string Sub(const std::string& name) const;
    std::wstring WSub(const std::string& name) const;

    // Writes bytes into a file inside the folder; returns its path.
    std::string WriteFile(const std::string& name, const std::string& bytes) const;
    // Reads a whole file (empty when it does not exist).
    static std::string ReadFile(const std::string& path);

    void RedirectHome();

private:
    std::string m_path;
    std::map<std::string, std::optional<std::string>> m_savedEnv;
};

// Converts UTF-8 to a wide string and back (test helpers only).
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

// Points HOME, XDG_*, KVX_REGISTRY_DIR and TMPDIR into folders below root.
void SetIsolatedEnvironment(const std::string& root);

} // namespace kvxtest
