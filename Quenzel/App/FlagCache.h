#pragma once
// CFlagCache: the flag pictures of the languages, decoded once from the
// languages' PNG bytes and drawn by the language combos and lists.

#include <QImage>

#include <map>
#include <vector>

#include "DataBase/AbstractDataBase.h"

class CFlagCache {
public:
    // Rebuilds the pictures from the languages: the first record of an id
    // wins; a record without picture bytes (or with bytes that do not
    // decode) gives no entry.
    void Fill(const std::vector<LanguageRecord>& languages);
    void Clear() { m_images.clear(); }
    // The flag of a language; null when there is none.
    const QImage* Find(int languageId) const;
    const std::map<int, QImage>& GetImages() const { return m_images; }

private:
    std::map<int, QImage> m_images;
};
