#include "Pendrel/Platform/KVXDialogTemplate.h"

#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

// The fixed base units: pixels per 4 horizontal and per 8 vertical units.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// number * numerator / denominator rounded to the nearest integer, halves
// away from zero.
int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

class CTemplateTable {
public:
    void Add(const KVXDialogTemplate* dialogTemplate) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_templates.push_back(dialogTemplate);
    }
    void Remove(const KVXDialogTemplate* dialogTemplate) {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::erase(m_templates, dialogTemplate);
    }
    const KVXDialogTemplate* Find(UINT id) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_templates.rbegin(); it != m_templates.rend(); ++it)
            if ((*it)->id == id) return *it;
        return nullptr;
    }

private:
    std::mutex m_mutex;
    std::vector<const KVXDialogTemplate*> m_templates;
};

// Never destroyed: modules unregister from their static destructors.
CTemplateTable& Table() {
    static CTemplateTable* table = new CTemplateTable;
    return *table;
}

} // namespace

int KVXDialogUnitsToPixelsX(int units) {
    return MulDiv(units, kBaseUnitX, 4);
}

int KVXDialogUnitsToPixelsY(int units) {
    return MulDiv(units, kBaseUnitY, 8);
}

RECT KVXMapDialogRect(const RECT& units) {
    return RECT{KVXDialogUnitsToPixelsX(units.left), KVXDialogUnitsToPixelsY(units.top),
                KVXDialogUnitsToPixelsX(units.right), KVXDialogUnitsToPixelsY(units.bottom)};
}

void KVXRegisterDialogTemplate(const KVXDialogTemplate* dialogTemplate) {
    if (dialogTemplate) Table().Add(dialogTemplate);
}

void KVXUnregisterDialogTemplate(const KVXDialogTemplate* dialogTemplate) {
    Table().Remove(dialogTemplate);
}

const KVXDialogTemplate* KVXFindDialogTemplate(UINT id) {
    return Table().Find(id);
}
