# Fails unless the shared library LIBRARY exports exactly the two functions
# of the database component, besides the entry points of the process-wide
# string-table registry that every module carries. Symbols of the C++
# library's own templates (namespace std, emitted where they are used and
# exported by the C++ library's headers) are not the library's own and are
# left out. The type information of DATABASE_RESULT is exported too: the
# component throws that type to the program, which catches it.
set(expected CreateDataBase DeleteDataBase _ZTI15DATABASE_RESULT _ZTS15DATABASE_RESULT
             KvxStringTables_Find KvxStringTables_Register KvxStringTables_Unregister)

execute_process(COMMAND nm -D --defined-only "${LIBRARY}" OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(exported "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]+ [A-Za-z] (.+)$")
    set(name "${CMAKE_MATCH_1}")
    if(NOT name MATCHES "^_Z+N?K?St|^_Z+N?K?9__gnu_cxx")
      list(APPEND exported "${name}")
    endif()
  endif()
endforeach()
list(SORT exported)
list(SORT expected)
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "exported: ${exported}\nexpected: ${expected}")
endif()
message(STATUS "exports: ${exported}")
