#pragma once
// The database component as the program loads it: the built library
// (libDataBase.so) opened at run time, one database object from its
// CreateDataBase over a data file that is made when missing. For the tests
// of window-free code that works on the database without the program.

#include <string>

class CAbstractDataBase;

namespace kvxtest {

class DataBaseComponent {
public:
    // library: the component's file; dataFile: the data file to open.
    DataBaseComponent(const std::string& library, const std::wstring& dataFile);
    ~DataBaseComponent();
    DataBaseComponent(const DataBaseComponent&) = delete;
    DataBaseComponent& operator=(const DataBaseComponent&) = delete;

    // The open database; null when the library, its functions or the data
    // file failed (Error says which).
    CAbstractDataBase* Get() const { return m_database; }
    const std::string& Error() const { return m_error; }

private:
    void* m_library = nullptr;
    CAbstractDataBase* m_database = nullptr;
    std::string m_error;
};

} // namespace kvxtest
