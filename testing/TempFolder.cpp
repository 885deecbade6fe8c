#include "testing/TempFolder.h"

#include "utility/TextCodec.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace kvxtest {

namespace {

std::string MakeTempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvx-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
    return std::string(buf.data());
}

const char* const kRedirected[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                   "XDG_STATE_HOME", "KVX_REGISTRY_DIR"};

} // namespace

std::wstring Widen(const std::string& utf8) { return Utf8ToWide(utf8); }

std::string Narrow(const std::wstring& wide) { return WideToUtf8(wide); }

void SetIsolatedEnvironment(const std::string& root) {
    const std::pair<const char*, const char*> dirs[] = {
        {"HOME", "home"},          {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"},
        {"XDG_CACHE_HOME", "cache"}, {"XDG_STATE_HOME", "state"},  {"KVX_REGISTRY_DIR", "registry"},
    };
    for (const auto& [var, sub] : dirs) {
        std::string path = root + "/" + sub;
        fs::create_directories(path);
        setenv(var, path.c_str(), 1);
    }
}

TempFolder::TempFolder() : m_path(MakeTempDir()) {}

TempFolder::~TempFolder() {
    for (const auto& [name, value] : m_savedEnv) {
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
    std::error_code ec;
    // Make read-only folders removable again before the recursive removal.
    for (auto it = fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

std::wstring TempFolder::WPath() const { return Widen(m_path); }
std::string TempFolder::Sub(const std::string& name) const { return m_path + "/" + name; }
std::wstring TempFolder::WSub(const std::string& name) const { return Widen(Sub(name)); }

std::string TempFolder::WriteFile(const std::string& name, const std::string& bytes) const {
    std::string path = Sub(name);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    return path;
}

std::string TempFolder::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TempFolder::RedirectHome() {
    for (const char* var : kRedirected) {
        if (m_savedEnv.count(var)) continue;
        const char* old = std::getenv(var);
        m_savedEnv[var] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    SetIsolatedEnvironment(m_path);
}

} // namespace kvxtest
