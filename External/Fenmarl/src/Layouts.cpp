// The table of layouts, the layouts the XKB data here offers, and their
// records, each built when it is first asked for and kept for the life of
// the library.

#include "Layouts.h"

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "LayoutBuilder.h"

namespace fenmarl {

namespace {

const LayoutEntry kLayouts[] = {
    {0x00000401, 8201, "ara", ""},
    {0x00000402, 8202, "bg", ""},
    {0x00000405, 8203, "cz", ""},
    {0x00000406, 8204, "dk", ""},
    {0x00000407, 8205, "de", ""},
    {0x00000408, 8206, "gr", ""},
    {0x00000409, 8207, "us", ""},
    {0x0000040A, 8208, "es", ""},
    {0x0000040B, 8209, "fi", ""},
    {0x0000040C, 8210, "fr", ""},
    {0x0000040D, 8211, "il", ""},
    {0x0000040E, 8212, "hu", ""},
    {0x0000040F, 8213, "is", ""},
    {0x00000410, 8214, "it", ""},
    {0x00000413, 8215, "nl", ""},
    {0x00000414, 8216, "no", ""},
    {0x00000415, 8217, "pl", ""},
    {0x00000416, 8218, "br", ""},
    {0x00000418, 8219, "ro", "winkeys"},
    {0x00000419, 8220, "ru", ""},
    {0x0000041A, 8221, "hr", ""},
    {0x0000041B, 8222, "sk", ""},
    {0x0000041C, 8223, "al", ""},
    {0x0000041D, 8224, "se", ""},
    {0x0000041E, 8225, "th", ""},
    {0x0000041F, 8226, "tr", ""},
    {0x00000420, 8227, "pk", "urd-crulp"},
    {0x00000422, 8228, "ua", "winkeys"},
    {0x00000423, 8229, "by", ""},
    {0x00000424, 8230, "si", ""},
    {0x00000425, 8231, "ee", ""},
    {0x00000426, 8232, "lv", ""},
    {0x00000427, 8233, "lt", "ibm"},
    {0x00000428, 8234, "tj", ""},
    {0x00000429, 8235, "ir", ""},
    {0x0000042A, 8236, "vn", ""},
    {0x0000042B, 8237, "am", "eastern"},
    {0x0000042C, 8238, "az", ""},
    {0x0000042E, 8239, "de", "dsb"},
    {0x00000432, 8240, "bw", ""},
    {0x00000437, 8241, "ge", ""},
    {0x00000438, 8242, "fo", ""},
    {0x00000439, 8243, "in", "deva"},
    {0x0000043B, 8244, "no", "smi"},
    {0x0000043F, 8245, "kz", ""},
    {0x00000440, 8246, "kg", ""},
    {0x00000442, 8247, "tm", ""},
    {0x00000444, 8248, "ru", "tt"},
    {0x00000445, 8249, "in", "ben"},
    {0x00000446, 8250, "in", "guru"},
    {0x00000447, 8251, "in", "guj"},
    {0x00000448, 8252, "in", "ori"},
    {0x00000449, 8253, "in", "tam"},
    {0x0000044A, 8254, "in", "tel"},
    {0x0000044B, 8255, "in", "kan"},
    {0x0000044E, 8256, "in", "marathi"},
    {0x00000450, 8257, "mn", ""},
    {0x00000452, 8258, "gb", "extd"},
    {0x00000468, 8259, "ng", "hausa"},
    {0x0000046A, 8260, "ng", "yoruba"},
    {0x0000046C, 8261, "za", ""},
    {0x00000470, 8262, "ng", "igbo"},
    {0x00000481, 8263, "mao", ""},
    {0x00000488, 8264, "sn", ""},
    {0x00000807, 8265, "ch", ""},
    {0x00000809, 8266, "gb", ""},
    {0x0000080A, 8267, "latam", ""},
    {0x0000080C, 8268, "be", ""},
    {0x00000813, 8269, "be", ""},
    {0x00000816, 8270, "pt", ""},
    {0x0000081A, 8271, "rs", "latin"},
    {0x0000082C, 8272, "az", "cyrillic"},
    {0x0000083B, 8273, "se", "smi"},
    {0x00000843, 8274, "uz", ""},
    {0x00000C0C, 8275, "ca", "fr-legacy"},
    {0x00000C1A, 8276, "rs", ""},
    {0x00001009, 8277, "ca", ""},
    {0x0000100C, 8278, "ch", "fr"},
    {0x00001809, 8279, "ie", ""},
    {0x0000201A, 8280, "rs", ""},
    {0x00010402, 8281, "us", ""},
    {0x00010405, 8282, "cz", "qwerty"},
    {0x00010407, 8283, "de", ""},
    {0x00010408, 8284, "gr", ""},
    {0x0001040A, 8285, "es", ""},
    {0x0001040E, 8286, "hu", "101_qwertz_comma_dead"},
    {0x00010410, 8287, "it", ""},
    {0x00010415, 8288, "pl", "qwertz"},
    {0x00010418, 8289, "ro", "std"},
    {0x00010419, 8290, "ru", "typewriter"},
    {0x0001041B, 8291, "sk", "qwerty"},
    {0x0001041E, 8292, "th", "pat"},
    {0x0001041F, 8293, "tr", "f"},
    {0x00010426, 8294, "lv", ""},
    {0x00010427, 8295, "lt", ""},
    {0x0001042B, 8296, "am", "western"},
    {0x00010437, 8297, "ge", ""},
    {0x00010439, 8298, "in", "bolnagri"},
    {0x0001043B, 8299, "no", "smi"},
    {0x00010445, 8300, "in", "ben_inscript"},
    {0x00010480, 8301, "cn", "ug"},
    {0x0001080C, 8302, "be", ""},
    {0x0001083B, 8303, "fi", "smi"},
    {0x00011009, 8304, "ca", "multix"},
    {0x00011809, 8305, "gb", "gla"},
    {0x00020405, 8306, "cz", "qwerty"},
    {0x00020408, 8307, "gr", ""},
    {0x00020409, 8308, "us", "intl"},
    {0x00020418, 8309, "ro", ""},
    {0x0002041E, 8310, "th", ""},
    {0x00020422, 8311, "ua", ""},
    {0x00020427, 8312, "lt", "std"},
    {0x0002042E, 8313, "de", "dsb_qwertz"},
    {0x00020437, 8314, "ge", "ergonomic"},
    {0x00020445, 8315, "in", "ben_inscript"},
    {0x0002083B, 8316, "se", "smi"},
    {0x00030402, 8317, "bg", ""},
    {0x00030408, 8318, "us", ""},
    {0x0003041E, 8319, "th", "pat"},
    {0x00040402, 8320, "bg", "phonetic"},
    {0x00040408, 8321, "us", ""},
    {0x00050408, 8322, "us", ""},
    {0x00060408, 8323, "gr", "polytonic"},
    {KB_LAYOUT_KOREAN, 8326, "kr", ""},
    {KB_LAYOUT_JAPANESE, 8327, "jp", ""},
};

// The character keys of the three keyboard types, and space.
const uint8_t kScanCodes[] = {41, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 16, 17, 18, 19,
                              20, 21, 22, 23, 24, 25, 26, 27, 30, 31, 32, 33, 34, 35, 36, 37, 38,
                              39, 40, 43, 86, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 125, 57};
static_assert(sizeof(kScanCodes) <= KB_MAX_KEYS);

// Modifier flags of each column (the inverse of the program's column table).
const unsigned int kColumnFlags[KB_COLUMNS] = {0, 0x10, 1, 0x11, 2, 0x12, 3, 0x13,
                                              6, 0x16, 7, 0x17, 8, 0x18, 9, 0x19};

// The layouts built so far, each built once, when first asked for, and kept
// for the life of the library.
struct Cache {
    std::mutex mutex;
    std::unique_ptr<LayoutBuilder> builder;
    std::map<unsigned int, std::unique_ptr<LayoutData>> layouts;  // null: does not build
    bool offeredKnown = false;
    std::vector<const LayoutEntry*> offered;

    // Called with the mutex held.
    const LayoutData* Get(const LayoutEntry& entry)
    {
        auto found = layouts.find(entry.id);
        if (found != layouts.end()) return found->second.get();
        if (!builder) builder = std::make_unique<LayoutBuilder>();
        return (layouts[entry.id] = builder->Build(entry)).get();
    }
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}

const LayoutEntry* FindEntry(unsigned int id)
{
    for (const LayoutEntry& entry : kLayouts)
        if (entry.id == id) return &entry;
    return nullptr;
}

}  // namespace

const LayoutEntry* LayoutTable(size_t& count)
{
    count = std::size(kLayouts);
    return kLayouts;
}

const LayoutEntry* const* OfferedLayouts(size_t& count)
{
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    if (!cache.offeredKnown) {
        std::vector<std::string> folders;
        if (const XkbPtr<xkb_context> context = NewXkbContext())
            for (unsigned int i = 0; i < xkb_context_num_include_paths(context.get()); ++i)
                folders.emplace_back(xkb_context_include_path_get(context.get(), i));
        std::map<std::string, std::string> files;
        for (const LayoutEntry& entry : kLayouts)
            if (HasSymbols(entry, folders, files)) cache.offered.push_back(&entry);
        cache.offeredKnown = true;
    }
    count = cache.offered.size();
    return cache.offered.data();
}

bool FillLayout(unsigned int id, st_KBImpl& data)
{
    const LayoutEntry* entry = FindEntry(id);
    if (!entry) return false;
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    const LayoutData* layout = cache.Get(*entry);
    if (!layout) return false;
    data = layout->record;
    return true;
}

bool HasSymbols(const LayoutEntry& entry, const std::vector<std::string>& folders,
                std::map<std::string, std::string>& files)
{
    auto known = files.find(entry.layout);
    if (known == files.end()) {
        std::string text;
        for (size_t i = 0; i < folders.size() && text.empty(); ++i) {
            std::ifstream file(folders[i] + "/symbols/" + entry.layout, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        known = files.emplace(entry.layout, std::move(text)).first;
    }
    const std::string& text = known->second;
    if (text.empty()) return false;
    if (!*entry.variant) return true;
    const std::string keyword = "xkb_symbols", name = std::string("\"") + entry.variant + "\"";
    for (size_t at = text.find(keyword); at != std::string::npos; at = text.find(keyword, at + 1)) {
        const size_t quote = text.find_first_not_of(" \t", at + keyword.size());
        if (quote != std::string::npos && text.compare(quote, name.size(), name) == 0) return true;
    }
    return false;
}

unsigned int ColumnFlags(int column)
{
    return column >= 0 && column < KB_COLUMNS ? kColumnFlags[column] : 0;
}

const uint8_t* LayoutScanCodes(size_t& count)
{
    count = sizeof kScanCodes;
    return kScanCodes;
}

unsigned int KeyCodeOfScan(unsigned int scan)
{
    return scan == 125 ? 132 : scan + 8;  // the Yen key lies apart
}

}  // namespace fenmarl
