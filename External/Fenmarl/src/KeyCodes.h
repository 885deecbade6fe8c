#pragma once
// The Windows scan codes and virtual keys of the X key codes (evdev
// numbering), and the X key of a virtual key.

namespace fenmarl {

struct PhysicalKey {
    int scanCode;    // 0: a key without a scan code
    int virtualKey;
};

// `numLock`: the keypad keys report digits and the decimal point.
PhysicalKey PhysicalKeyOf(unsigned int keycode, bool numLock);

// The keysym that a virtual key names (0 for none), and the key code of the
// key at its place on a US keyboard, for letters and digits the current
// layout lacks (0 for none).
unsigned long KeysymOfVirtualKey(unsigned int vk);
unsigned int UsKeyCodeOfVirtualKey(unsigned int vk);

// Shift, Ctrl, Alt and their left and right forms.
bool IsShiftCtrlOrAlt(unsigned int vk);

}  // namespace fenmarl
