# kvx_add_test_suite(NAME <target> LABEL <unit|gui|integration|x11>
#                    SOURCES <files...> [LIBS <libs...>] [TIMEOUT <s>])
#
# The time-out (300 s by default) only ends a test that hangs: no test
# depends on how fast it runs.
#
# One GoogleTest executable; each test case runs as its own CTest test, in
# its own process, with its own HOME, XDG folders and registry folder (the
# shared test main sets them up). Suites labelled gui get the Qt test main
# (testing/Qt/GuiTestMain.cpp) and QT_QPA_PLATFORM=offscreen.
include(GoogleTest)
find_package(GTest REQUIRED)

# In the sanitizer build every test gets the leak suppressions of
# tools/lsan.supp (leaks inside third-party libraries, library by library),
# also when ctest runs by hand; options of LSAN_OPTIONS already set stay.
set(KVX_LSAN_SUPPRESSIONS "${PROJECT_SOURCE_DIR}/tools/lsan.supp")
set(KVX_TEST_SANITIZER_ENVIRONMENT "")
if(KVX_SANITIZE)
  set(KVX_TEST_SANITIZER_ENVIRONMENT
      ENVIRONMENT_MODIFICATION "LSAN_OPTIONS=string_append::suppressions=${KVX_LSAN_SUPPRESSIONS}")
endif()

function(kvx_add_test_suite)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  set(environment "")
  if(T_LABEL STREQUAL "gui")
    # User-interface suites get the Qt test main and run headless.
    target_link_libraries(${T_NAME} PRIVATE kvx_testing_gui)
    set(environment ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  target_link_libraries(${T_NAME} PRIVATE kvx_testing ${T_LIBS} GTest::gtest GTest::gmock)
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY "${KVX_BIN_DIR}"
    PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${T_TIMEOUT} ${environment} ${KVX_TEST_SANITIZER_ENVIRONMENT})
endfunction()

# kvx_check_no_widgets(<target>...)
#
# The test <first target>_no_widgets fails when one of the programs needs
# Qt's widgets or GUI library or libPendrel.so (tools/check-no-widgets.py):
# window-free models and their tests stay free of them.
function(kvx_check_no_widgets first)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(files "")
  foreach(target IN ITEMS ${first} ${ARGN})
    list(APPEND files "$<TARGET_FILE:${target}>")
  endforeach()
  add_test(NAME ${first}_no_widgets
           COMMAND Python3::Interpreter "${PROJECT_SOURCE_DIR}/tools/check-no-widgets.py" ${files})
  set_tests_properties(${first}_no_widgets PROPERTIES LABELS unit TIMEOUT 60)
endfunction()
