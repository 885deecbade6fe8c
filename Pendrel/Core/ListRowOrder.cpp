#include "Pendrel/Core/ListRowOrder.h"

KVXRowReorder KVXPlanRowReorder(int rowCount, const std::vector<int>& selected, int delta) {
    KVXRowReorder plan;
    plan.selected = selected;
    if (delta == 0 || selected.empty()) return plan;
    if (selected.front() + delta < 0 || selected.back() + delta >= rowCount) return plan;
    const int step = delta > 0 ? 1 : -1;
    for (int moved = 0; moved != delta; moved += step) {
        if (step < 0) {
            for (size_t i = 0; i < plan.selected.size(); ++i) {
                plan.swaps.emplace_back(plan.selected[i], plan.selected[i] - 1);
                --plan.selected[i];
            }
        } else {
            for (size_t i = plan.selected.size(); i-- > 0;) {
                plan.swaps.emplace_back(plan.selected[i], plan.selected[i] + 1);
                ++plan.selected[i];
            }
        }
    }
    return plan;
}
