#include "utility/Posix/Modules.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "utility/LittleEndian.h"
#include "utility/Posix/SystemError.h"
#include "utility/Posix/SystemText.h"

namespace {

const char kVersionSection[] = ".kvx_version";
const char kVersionTag[] = "KVXVERSION";
constexpr size_t kVersionTagLength = sizeof(kVersionTag) - 1;
constexpr size_t kVersionMarkerLength = kVersionTagLength + 8;
// Bounds for reading the section table of a file.
constexpr uint64_t kMaxSections = 1u << 16;
constexpr uint64_t kMaxSectionNames = 16u << 20;

std::string ProgramFilePath() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return n > 0 ? std::string(path, (size_t)n) : std::string();
}

struct ModuleInfo {
    bool found = false;
    bool isProgram = false;
    std::string linkName;  // the name the dynamic linker knows it by
};

struct ModuleSearch {
    uintptr_t address = 0;
    int visited = 0;
    ModuleInfo info;
};

int VisitModule(dl_phdr_info* object, size_t, void* data) {
    ModuleSearch* search = static_cast<ModuleSearch*>(data);
    int index = search->visited++;
    for (int i = 0; i < object->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = object->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD) continue;
        uintptr_t start = object->dlpi_addr + segment.p_vaddr;
        if (search->address >= start && search->address - start < segment.p_memsz) {
            search->info.found = true;
            // The program comes first and has no name.
            search->info.isProgram = index == 0;
            search->info.linkName = object->dlpi_name ? object->dlpi_name : "";
            return 1;
        }
    }
    return 0;
}

ModuleInfo FindModule(const void* address) {
    ModuleSearch search;
    search.address = (uintptr_t)address;
    dl_iterate_phdr(VisitModule, &search);
    return search.info;
}

std::string ModuleFilePath(const ModuleInfo& module) {
    if (module.isProgram) return ProgramFilePath();
    if (module.linkName.empty() || module.linkName[0] == '/') return module.linkName;
    char resolved[PATH_MAX];
    return realpath(module.linkName.c_str(), resolved) ? std::string(resolved) : module.linkName;
}

// A handle of the dynamic linker for a loaded module, taken without loading
// anything; dlclose gives it back.
void* OpenLoadedModule(HMODULE module, bool* isProgram) {
    ModuleInfo info = FindModule(module);
    *isProgram = info.isProgram;
    if (!info.found) return nullptr;
    if (info.isProgram) return dlopen(nullptr, RTLD_NOW);
    return dlopen(info.linkName.c_str(), RTLD_NOW | RTLD_NOLOAD);
}

bool ReadAt(int fd, void* buffer, size_t size, uint64_t offset, uint64_t fileSize) {
    if (offset > fileSize || size > fileSize - offset) return false;
    return pread(fd, buffer, size, (off_t)offset) == (ssize_t)size;
}

// Finds the version section in an ELF file and reads its marker.
bool ReadVersionMarker(int fd, VersionNumber& out) {
    struct stat st;
    if (fstat(fd, &st) < 0 || !S_ISREG(st.st_mode)) return false;
    uint64_t fileSize = (uint64_t)st.st_size;
    Elf64_Ehdr header;
    if (!ReadAt(fd, &header, sizeof(header), 0, fileSize)) return false;
    if (memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_ident[EI_DATA] != ELFDATA2LSB || header.e_shoff == 0 || header.e_shentsize != sizeof(Elf64_Shdr))
        return false;

    uint64_t count = header.e_shnum;
    uint64_t namesIndex = header.e_shstrndx;
    if (count == 0 || namesIndex == SHN_XINDEX) {
        Elf64_Shdr first;
        if (!ReadAt(fd, &first, sizeof(first), header.e_shoff, fileSize)) return false;
        if (count == 0) count = first.sh_size;
        if (namesIndex == SHN_XINDEX) namesIndex = first.sh_link;
    }
    if (count == 0 || count > kMaxSections || namesIndex >= count) return false;
    std::vector<Elf64_Shdr> sections(count);
    if (!ReadAt(fd, sections.data(), count * sizeof(Elf64_Shdr), header.e_shoff, fileSize)) return false;

    const Elf64_Shdr& namesSection = sections[namesIndex];
    if (namesSection.sh_size == 0 || namesSection.sh_size > kMaxSectionNames) return false;
    std::vector<char> names(namesSection.sh_size + 1, '\0');
    if (!ReadAt(fd, names.data(), namesSection.sh_size, namesSection.sh_offset, fileSize)) return false;

    for (const Elf64_Shdr& section : sections) {
        if (section.sh_name >= namesSection.sh_size || strcmp(&names[section.sh_name], kVersionSection) != 0) continue;
        unsigned char marker[kVersionMarkerLength];
        if (section.sh_type == SHT_NOBITS || section.sh_size < sizeof(marker) ||
            !ReadAt(fd, marker, sizeof(marker), section.sh_offset, fileSize) ||
            memcmp(marker, kVersionTag, kVersionTagLength) != 0)
            return false;
        const unsigned char* p = marker + kVersionTagLength;
        out.major = GetLE16(p);
        out.minor = GetLE16(p + 2);
        out.build = GetLE16(p + 4);
        out.revision = GetLE16(p + 6);
        return true;
    }
    return false;
}

void* OpenLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

} // namespace

std::string LinuxModuleFileName(const std::string& name) {
    size_t slash = name.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    std::string file = name.substr(folder.size());
    auto endsWith = [&file](const char* suffix) {
        size_t n = strlen(suffix);
        return file.size() > n && strcasecmp(file.c_str() + file.size() - n, suffix) == 0;
    };
    if (endsWith(".dll")) return folder + "lib" + file.substr(0, file.size() - 4) + ".so";
    if (endsWith(".exe")) return folder + file.substr(0, file.size() - 4);
    return name;
}

CBasicString GetModulePath(HMODULE module) {
    if (!module) return FromSystemText(ProgramFilePath());
    ModuleInfo info = FindModule(module);
    if (!info.found) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return CBasicString();
    }
    return FromSystemText(ModuleFilePath(info));
}

CBasicString GetProgramFolder() {
    std::string path = ProgramFilePath();
    return FromSystemText(path.substr(0, path.rfind('/') + 1));
}

CBasicString GetModuleVersionText(const wchar_t* file, VersionNumber* out) {
    VersionNumber number = {};
    std::string path = file ? ToSystemText(file) : ProgramFilePath();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        if (!ReadVersionMarker(fd, number)) number = {};
        close(fd);
    }
    if (out) *out = number;
    CBasicString text;
    text.Format(L"%d.%d.%d.%d", number.major, number.minor, number.build, number.revision);
    return text;
}

int IsSameModuleVersion(HMODULE a, HMODULE b) {
    CBasicString first = GetModuleVersionText(GetModulePath(a).GetString(), nullptr);
    CBasicString second = GetModuleVersionText(GetModulePath(b).GetString(), nullptr);
    return first.CompareNoCase(second.GetString()) == 0 ? 1 : 0;
}

HMODULE LoadDynamicLibrary(const wchar_t* fileName) {
    std::string name = ToSystemText(fileName);
    void* library = nullptr;
    if (!name.empty()) {
        std::vector<std::string> names = {name};
        std::string linuxName = LinuxModuleFileName(name);
        if (linuxName != name) names.push_back(linuxName);
        if (name.find('/') == std::string::npos) {
            std::string folder = ToSystemText(GetProgramFolder());
            for (size_t i = 0; i < names.size() && !library; ++i)
                if (access((folder + names[i]).c_str(), F_OK) == 0) library = OpenLibrary(folder + names[i]);
        }
        for (size_t i = 0; i < names.size() && !library; ++i) library = OpenLibrary(names[i]);
    }
    if (!library) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    link_map* map = nullptr;
    Dl_info info;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || !map || !dladdr(map->l_ld, &info)) {
        dlclose(library);
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return info.dli_fbase;
}

BOOL FreeDynamicLibrary(HMODULE module) {
    bool isProgram = false;
    void* library = module ? OpenLoadedModule(module, &isProgram) : nullptr;
    if (!library || isProgram) {
        if (library) dlclose(library);
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Once for the reference just taken, once for the load.
    dlclose(library);
    return dlclose(library) == 0 ? TRUE : FALSE;
}

void* GetLibraryFunction(HMODULE module, const char* name) {
    bool isProgram = false;
    void* library = module && name ? OpenLoadedModule(module, &isProgram) : nullptr;
    void* function = library ? dlsym(library, name) : nullptr;
    if (library) dlclose(library);
    if (!function) SetLastError(ERROR_PROC_NOT_FOUND);
    return function;
}
