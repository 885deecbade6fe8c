# What each shared library exports, and the test that holds it to that.
#
#   kvx_library_exports(<target> [SYMBOLS <names...>] [CXX_CLASSES])
#
# SYMBOLS are the dynamic symbols the library exports by name: its C
# functions, and C++ symbols that a C library must share (the type
# information of an exception it throws to the program). The entry points
# of the process-wide state that every module carries
# (KVX_PROCESS_WIDE_ENTRY_POINTS, utility/CMakeLists.txt) are added.
# A version script limits the library's dynamic symbols:
# - without CXX_CLASSES, to these names;
# - with CXX_CLASSES, to what the sources mark with default visibility
#   (classes and functions that the programs link against), without the C++
#   library's template instantiations that such code would otherwise export
#   as weak or unique symbols.
# The test <target>_exports (label unit) fails when the library exports
# anything of the C++ library, any name of SYMBOLS is missing, or it
# exports another name (with CXX_CLASSES: another unmangled name).

# Mangled-name patterns of everything in namespaces std and __gnu_cxx:
# functions and variables (nested or not, const members), vtables, typeinfo
# and its names, local statics and their guards.
set(KVX_STD_SYMBOL_PATTERNS "")
foreach(kind "" TV TI TS TT GVZ Z)
  foreach(nesting N NK "")
    foreach(name St Sa Sb Ss Si So Sd 9__gnu_cxx)
      if(nesting STREQUAL "" AND name STREQUAL "9__gnu_cxx")
        continue()
      endif()
      list(APPEND KVX_STD_SYMBOL_PATTERNS "_Z${kind}${nesting}${name}*")
    endforeach()
  endforeach()
endforeach()

function(kvx_library_exports target)
  cmake_parse_arguments(E "CXX_CLASSES" "" "SYMBOLS" ${ARGN})
  set(script "${PROJECT_BINARY_DIR}/generated/${target}.exports.map")
  set(symbols ${E_SYMBOLS} ${KVX_PROCESS_WIDE_ENTRY_POINTS})
  if(E_CXX_CLASSES)
    list(JOIN KVX_STD_SYMBOL_PATTERNS ";\n    " hidden)
    file(CONFIGURE OUTPUT "${script}" CONTENT "{\n  local:\n    ${hidden};\n};\n")
  else()
    list(JOIN symbols ";\n    " exported)
    file(CONFIGURE OUTPUT "${script}" CONTENT "{\n  global:\n    ${exported};\n  local:\n    *;\n};\n")
  endif()
  target_link_options(${target} PRIVATE "LINKER:--version-script=${script}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${script}")
  # Once loaded, the library stays until the process ends: the utility
  # library inside keeps objects for the life of the process (locales,
  # registries) that are never freed, and unloading would lose them.
  target_link_options(${target} PRIVATE "LINKER:-z,nodelete")

  if(KVX_BUILD_TESTS)
    string(TOLOWER "${target}_exports" test)
    add_test(NAME ${test}
             COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:${target}> "-DSYMBOLS=${symbols}"
                     -DCXX_CLASSES=${E_CXX_CLASSES} -P "${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake")
    set_tests_properties(${test} PROPERTIES LABELS unit TIMEOUT 60)
  endif()
endfunction()
