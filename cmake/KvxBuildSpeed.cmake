# Build speed, applied to every target once the tree is defined (the
# top-level CMakeLists.txt calls kvx_speed_up_everywhere last):
# - precompiled headers for the targets that use Qt: the common Qt headers
#   and the standard library's; and for the test suites: the test
#   framework's header too (and Qt's test header where they use it), since
#   their files compile without optimisation and parsing is most of their
#   time (a dialog test: 5.0 s of processor time instead of 1.7 s).
#   KVX_PRECOMPILE_HEADERS=OFF builds without them, for instance to check
#   that every file includes what it uses. Elsewhere they gain nothing
#   measurable: with the sanitizers, code generation outweighs parsing, and
#   loading the header costs as much as it saves;
# - in the sanitizer build, test sources compile without optimisation and
#   without the undefined-behaviour checks, which cost a third of their
#   compile time: the code under test keeps every check (and -O1, so heavy
#   tests still run fast), and the address checks still cover the tests.
# - with KVX_UNITY_BUILD (CI's optimised build with warnings as errors), each
#   target compiles its sources in batches of KVX_UNITY_BATCH: the headers'
#   inline functions and templates are then compiled once per batch instead
#   of once per file (eight test files at -O3: 29 s instead of 56 s). The
#   file-local names that many sources define alike (the log source names,
#   dialog templates and string tables: KVX_UNITY_RENAMED) are renamed per
#   file in a batch; targets whose sources share other file-local names
#   clash in a batch and stay file by file (KVX_UNITY_EXCLUDE: a target whose
#   batch fails with a redefinition goes there, as does one whose batch gets
#   warnings its files alone do not: a false -Warray-bounds at -O3 in
#   image_tests, -Wsubobject-linkage for a fixture in an anonymous namespace,
#   which GCC only accepts in the main file; and a static library whose
#   users take only some of its files: quenzel_model, whose word list rows
#   need the framework's cell records and whose storage calls do not). The
#   sanitizer build stays file by file, so that every file still compiles on
#   its own and includes what it uses;
# - the linker is lld where it is installed: it links the test programs of
#   the sanitizer build in half the time of the default linker
#   (KVX_LLD=OFF keeps the default).
option(KVX_PRECOMPILE_HEADERS "Precompile the Qt and standard headers of the targets that use Qt" ON)
option(KVX_UNITY_BUILD "Compile each target's sources in batches" OFF)
set(KVX_UNITY_BATCH 8 CACHE STRING "Sources per batch of a unity build")
set(KVX_UNITY_EXCLUDE utility utility_tests pendrel_core pendrel_ui pendrel_module pendrel_platform pendrel_theme pendrel_app
    pendrel_controls pendrel_dialogs quenzel_app quenzel_shared quenzel_dictionary quenzel_tutor keyboard_objects keyboard_model_tests keyboard_gui_tests sendrix_objects database_objects SFtp quenzel_shell
    database_tests sendrix_integration_tests quenzel_dictionary_tests quenzel_end_to_end_tests quenzel_tutor_tests
    image_tests pendrel_sound_integration_tests pendrel_controls_tests pendrel_dialogs_tests quenzel_tutor_model_tests
    quenzel_model)
set(KVX_UNITY_RENAMED kSourceFile kSourceFileWide kLogSource kLogSourceFile kOnline
    kControls kTemplate kTemplateRegistration kStrings kStringsRegistration)

# Code around each file of a batch: every renamed name gets the file's own
# suffix (KVX_UNITY_FILE, unique per file) while the file compiles.
set(KVX_UNITY_BEFORE "#define KVX_UNITY_JOIN2(a, b) a##b\n#define KVX_UNITY_JOIN(a, b) KVX_UNITY_JOIN2(a, b)\n")
set(KVX_UNITY_AFTER "")
foreach(name IN LISTS KVX_UNITY_RENAMED)
  string(APPEND KVX_UNITY_BEFORE "#define ${name} KVX_UNITY_JOIN(${name}_, KVX_UNITY_FILE)\n")
  string(APPEND KVX_UNITY_AFTER "#undef ${name}\n")
endforeach()

find_program(KVX_LLD_PROGRAM ld.lld)
option(KVX_LLD "Link with lld where it is installed" ON)
if(KVX_LLD AND KVX_LLD_PROGRAM)
  add_link_options(-fuse-ld=lld)
endif()

# Targets with fewer sources than this gain nothing from a precompiled header.
set(KVX_PCH_MIN_SOURCES 4)

set(KVX_PCH_STD_HEADERS
    <algorithm> <cstdint> <cstring> <functional> <map> <memory> <string> <vector>)
set(KVX_PCH_TEST_HEADERS <filesystem> <gtest/gtest.h>)
set(KVX_PCH_QT_TEST_HEADERS <QtTest/QTest>)
set(KVX_PCH_QT_HEADERS
    <QtCore/QObject> <QtCore/QString> <QtCore/QTimer> <QtGui/QFontMetrics> <QtGui/QImage> <QtGui/QPainter>
    <QtWidgets/QApplication> <QtWidgets/QCheckBox> <QtWidgets/QComboBox> <QtWidgets/QDialog>
    <QtWidgets/QLabel> <QtWidgets/QLineEdit> <QtWidgets/QPushButton> <QtWidgets/QWidget>)

# Whether a target is a test suite, whether it uses Qt's widgets and
# whether Qt's test library, by its direct links.
function(kvx_pch_kind target out_test out_qt out_qt_test)
  get_target_property(links ${target} LINK_LIBRARIES)
  set(test OFF)
  set(qt OFF)
  set(qt_test OFF)
  foreach(link IN LISTS links)
    if(link MATCHES "^(GTest::|kvx_testing)")
      set(test ON)
    endif()
    if(link MATCHES "^(Qt6::(Widgets|Gui)|pendrel_ui|kvx_testing_gui)$")
      set(qt ON)
    endif()
    if(link STREQUAL "Qt6::Test")
      set(qt_test ON)
    endif()
  endforeach()
  set(${out_test} ${test} PARENT_SCOPE)
  set(${out_qt} ${qt} PARENT_SCOPE)
  set(${out_qt_test} ${qt_test} PARENT_SCOPE)
endfunction()

function(kvx_speed_up target)
  get_target_property(type ${target} TYPE)
  if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
    return()
  endif()
  get_target_property(imported ${target} IMPORTED)
  if(imported)
    return()
  endif()
  get_target_property(sources ${target} SOURCES)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  list(LENGTH sources count)
  kvx_pch_kind(${target} test qt qt_test)

  if(KVX_SANITIZE AND test)
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:-O0;-fno-sanitize=undefined>")
  endif()

  if(KVX_UNITY_BUILD AND NOT target IN_LIST KVX_UNITY_EXCLUDE)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${KVX_UNITY_BATCH}
                          UNITY_BUILD_UNIQUE_ID KVX_UNITY_FILE
                          UNITY_BUILD_CODE_BEFORE_INCLUDE "${KVX_UNITY_BEFORE}"
                          UNITY_BUILD_CODE_AFTER_INCLUDE "${KVX_UNITY_AFTER}")
    # A test fixture in an anonymous namespace is fine in its own file; in a
    # batch its file is an included one, and GCC then warns that the tests
    # derive from a type of an anonymous namespace.
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:-Wno-subobject-linkage>")
  endif()

  if(NOT KVX_PRECOMPILE_HEADERS OR NOT (qt OR test) OR count LESS KVX_PCH_MIN_SOURCES)
    return()
  endif()
  set(headers ${KVX_PCH_STD_HEADERS})
  if(test)
    list(APPEND headers ${KVX_PCH_TEST_HEADERS})
  endif()
  if(qt)
    list(APPEND headers ${KVX_PCH_QT_HEADERS})
  endif()
  if(qt_test)
    list(APPEND headers ${KVX_PCH_QT_TEST_HEADERS})
  endif()
  foreach(header IN LISTS headers)
    target_precompile_headers(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${header}>")
  endforeach()
endfunction()

function(kvx_speed_up_everywhere dir)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    kvx_speed_up(${target})
  endforeach()
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    kvx_speed_up_everywhere("${subdir}")
  endforeach()
endfunction()
