// The exports of libFenmarl.so.

#include "Fenmarl/Fenmarl.h"
#include "Layouts.h"
#include "X11Session.h"

namespace {
size_t g_nextKeyboard = 0;  // GetKeyboards' position in the offered layouts
}

FENMARL_EXPORT void InstallHook(HWND, CAbstractKeyboard* keyboard)
{
    fenmarl::InstallX11Hook(keyboard);
}

FENMARL_EXPORT void UninstallHook()
{
    fenmarl::UninstallX11Hook();
}

FENMARL_EXPORT void GetKeyboards(unsigned int& id, unsigned int& nameId)
{
    size_t count = 0;
    const fenmarl::LayoutEntry* const* offered = fenmarl::OfferedLayouts(count);
    if (g_nextKeyboard >= count) {
        id = nameId = 0;
        g_nextKeyboard = 0;
        return;
    }
    id = offered[g_nextKeyboard]->id;
    nameId = offered[g_nextKeyboard]->nameId;
    ++g_nextKeyboard;
}

FENMARL_EXPORT int GetKeyboardData(unsigned int id, st_KBImpl& data)
{
    return fenmarl::FillLayout(id, data) ? 1 : 0;
}

FENMARL_EXPORT void ProcessKeyboardEvent(int stage)
{
    if (stage == 0)
        fenmarl::BeginInjection();
    else
        fenmarl::EndInjection();
}

FENMARL_EXPORT UINT SendKeyboardInput(UINT count, const st_KBInput* inputs)
{
    return fenmarl::Inject(count, inputs);
}

FENMARL_EXPORT int GetHookDescriptor()
{
    return fenmarl::HookDescriptor();
}

FENMARL_EXPORT void DispatchHookEvents()
{
    fenmarl::DispatchX11Events();
}
