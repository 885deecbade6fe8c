#include "utility/ProgramSettings.h"

#include "utility/ChangeOnlyRegistry.h"
#include "utility/Posix/BasicRegistry.h"

std::unique_ptr<CRegistry> OpenProgramSettings() {
    return std::make_unique<CChangeOnlyRegistry>(
        std::make_unique<CBasicRegistry>(L"Morvane", L"Quenzel", HKEY_CURRENT_USER));
}
