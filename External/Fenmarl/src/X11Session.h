#pragma once
// The library's own connection to the X display: the hook (raw key events
// for the call-backs, passive key grabs to swallow the keys the program
// translates) and the injection of keys and characters through XTest.

#include "Fenmarl/Fenmarl.h"

namespace fenmarl {

void InstallX11Hook(CAbstractKeyboard* keyboard);
void UninstallX11Hook();
void BeginInjection();
void EndInjection();
UINT Inject(UINT count, const st_KBInput* inputs);
int HookDescriptor();
void DispatchX11Events();

}  // namespace fenmarl
