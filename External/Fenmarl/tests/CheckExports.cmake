# Fails unless the shared library LIBRARY exports exactly the functions of
# the keyboard-hook library. Symbols of the C++ library's own templates
# (namespace std, emitted where they are used) and the linker's section
# bounds are not the library's own and are left out.
set(expected InstallHook UninstallHook GetKeyboards GetKeyboardData ProcessKeyboardEvent
             SendKeyboardInput GetHookDescriptor DispatchHookEvents)

execute_process(COMMAND nm -D --defined-only "${LIBRARY}" OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(exported "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]+ [A-Za-z] (.+)$")
    set(name "${CMAKE_MATCH_1}")
    if(NOT name MATCHES "^_Z+N?K?St|^_Z+N?K?9__gnu_cxx|^__bss_start$|^_edata$|^_end$")
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
