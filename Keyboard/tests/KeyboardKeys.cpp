#include "KeyboardKeys.h"

#include "Fenmarl/Fenmarl.h"
#include "Keyboard/KeyboardModel.h"
#include "Keyboard/KeyboardResources.h"

namespace kvxtest {

UINT KeyboardDialogId() { return IDD_KEYBOARD; }

UINT KeyboardKeyOf(unsigned layout, char16_t character) {
    st_KBImpl data{};
    if (!GetKeyboardData(layout, data)) return 0;
    const BYTE* places = CKeyboardModel::ScanCodesOfType(KB_TYPE_101);
    for (int i = 0; i < data.keyCount; ++i) {
        if (data.keys[i].chars[0] != character) continue;
        for (int place = 0; place < KB_KEY_PLACES; ++place)
            if (places[place] == data.keys[i].scanCode) return IDC_KEY_FIRST_CHARACTER + place;
    }
    return 0;
}

} // namespace kvxtest
