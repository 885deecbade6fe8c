#include "testing/DataBaseComponent.h"

#include <dlfcn.h>

#include "DataBase/AbstractDataBase.h"

namespace kvxtest {

namespace {

DeleteDataBaseFunction DeleteFunction(void* library) {
    return reinterpret_cast<DeleteDataBaseFunction>(dlsym(library, "DeleteDataBase"));
}

} // namespace

DataBaseComponent::DataBaseComponent(const std::string& library, const std::wstring& dataFile) {
    m_library = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_library) {
        const char* error = dlerror();
        m_error = error ? error : "the component does not load";
        return;
    }
    auto create = reinterpret_cast<CreateDataBaseFunction>(dlsym(m_library, "CreateDataBase"));
    if (!create || !DeleteFunction(m_library)) {
        m_error = "the component lacks CreateDataBase or DeleteDataBase";
        return;
    }
    m_database = create(nullptr, nullptr, 0);
    if (!m_database) {
        m_error = "CreateDataBase gave no object";
        return;
    }
    const int opened = m_database->Open(DATABASE_OPEN_OPTIONS{1, 0}, dataFile.c_str());
    if (opened != DATABASE_OK) {
        m_error = "the data file does not open (" + std::to_string(opened) + ")";
        DeleteFunction(m_library)(m_database);
        m_database = nullptr;
    }
}

DataBaseComponent::~DataBaseComponent() {
    if (m_database) DeleteFunction(m_library)(m_database);
    if (m_library) dlclose(m_library);
}

} // namespace kvxtest
