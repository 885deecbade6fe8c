#include "Quenzel/App/FlagCache.h"

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Platform/KVXImageConversion.h"

void CFlagCache::Fill(const std::vector<LanguageRecord>& languages) {
    Clear();
    for (const LanguageRecord& language : languages) {
        if (language.picture.empty() || m_images.count(language.id)) continue;
        CKVXImage image(CKVXImage::ImageTypePng);
        if (!image.Decode(language.picture.data(), static_cast<DWORD>(language.picture.size()),
                          CKVXImage::ImageTypePng))
            continue;
        QImage flag = KVXImageToQImage(image);
        if (!flag.isNull()) m_images.emplace(language.id, flag);
    }
}

const QImage* CFlagCache::Find(int languageId) const {
    auto found = m_images.find(languageId);
    return found == m_images.end() ? nullptr : &found->second;
}
