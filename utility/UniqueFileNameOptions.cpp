#include "utility/UniqueFileNameOptions.h"

#include "utility/ErrorReport.h"

namespace KVX {

CFileItemInfo* CUniqueFileNameOptions::GetRootItem() {
    ReportAssertion(0, ".\\UniqueFileName", __LINE__);
    return nullptr;
}

} // namespace KVX
