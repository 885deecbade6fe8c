#include "Pendrel/Platform/KVXResources.h"

#include <QByteArray>
#include <QResource>

#include <map>
#include <memory>
#include <mutex>

#include "Pendrel/Platform/KVXText.h"

namespace {

struct ResourceKind {
    const wchar_t* type;
    const char* folder;
    const char* extension;
};

const ResourceKind kKinds[] = {
    {KVX_RESOURCE_PNG, "png", "png"},
    {KVX_RESOURCE_ICON, "icon", "ico"},
    {KVX_RESOURCE_BITMAP, "bitmap", "bmp"},
    {KVX_RESOURCE_HTML, "html", "html"},
};

// A resource's bytes and the record that points at them.
struct LoadedResource {
    QByteArray bytes;
    KVXRESOURCE record;
};

class CResourceTable {
public:
    void SetFolder(HINSTANCE module, const char* folder) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (folder) m_folders[module] = QString::fromUtf8(folder);
        else m_folders.erase(module);
    }

    QString Folder(HINSTANCE module) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_folders.find(module);
        return it == m_folders.end() ? QString() : it->second;
    }

    HRSRC Find(const QString& path) {
        if (path.isEmpty()) return nullptr;
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_loaded.find(path);
        if (it != m_loaded.end()) return &it->second->record;
        QResource resource(path);
        if (!resource.isValid()) return nullptr;
        auto loaded = std::make_unique<LoadedResource>();
        loaded->bytes = resource.uncompressedData();
        loaded->record = KVXRESOURCE{reinterpret_cast<const BYTE*>(loaded->bytes.constData()),
                                     static_cast<DWORD>(loaded->bytes.size())};
        return &m_loaded.emplace(path, std::move(loaded)).first->second->record;
    }

private:
    std::mutex m_mutex;
    std::map<HINSTANCE, QString> m_folders;
    std::map<QString, std::unique_ptr<LoadedResource>> m_loaded;
};

// Never destroyed: modules unregister from their static destructors.
CResourceTable& Table() {
    static CResourceTable* table = new CResourceTable;
    return *table;
}

const ResourceKind* KindOf(const wchar_t* type) {
    if (!type) return nullptr;
    for (const ResourceKind& kind : kKinds)
        if (KVXToQString(type).compare(KVXToQString(kind.type), Qt::CaseInsensitive) == 0) return &kind;
    return nullptr;
}

QString PathOf(HINSTANCE module, const QString& name, const wchar_t* type) {
    const ResourceKind* kind = KindOf(type);
    const QString folder = Table().Folder(module);
    // A name never reaches outside the module's folder.
    if (!kind || folder.isEmpty() || name.isEmpty() || name.contains(u'/')) return QString();
    return QStringLiteral(":/kvx/%1/%2/%3.%4").arg(folder, kind->folder, name, kind->extension);
}

} // namespace

void KVXRegisterResourceModule(HINSTANCE module, const char* folder) {
    if (module && folder && *folder) Table().SetFolder(module, folder);
}

void KVXUnregisterResourceModule(HINSTANCE module) {
    Table().SetFolder(module, nullptr);
}

QString KVXResourcePath(HINSTANCE module, UINT id, const wchar_t* type) {
    return PathOf(module, QString::number(id), type);
}

QString KVXResourcePath(HINSTANCE module, const wchar_t* name, const wchar_t* type) {
    return PathOf(module, KVXToQString(name), type);
}

HRSRC KVXFindResource(HINSTANCE module, UINT id, const wchar_t* type) {
    return Table().Find(KVXResourcePath(module, id, type));
}

HRSRC KVXFindResource(HINSTANCE module, const wchar_t* name, const wchar_t* type) {
    return Table().Find(KVXResourcePath(module, name, type));
}
