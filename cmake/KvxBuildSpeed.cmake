# Build speed, applied to every target once the tree is defined (the
# top-level CMakeLists.txt calls kvx_speed_up_everywhere last):
# - precompiled headers for the targets that use Qt: the common Qt headers
#   and the standard library's (KVX_PRECOMPILE_HEADERS=OFF builds without
#   them, for instance to check that every file includes what it uses).
#   Elsewhere they gain nothing measurable: with the sanitizers, code
#   generation outweighs parsing, and loading the header costs as much as
#   it saves;
# - in the sanitizer build, test sources compile without optimisation and
#   without the undefined-behaviour checks, which cost a third of their
#   compile time: the code under test keeps every check (and -O1, so heavy
#   tests still run fast), and the address checks still cover the tests.
# Unity builds are not used: the sources keep file-local names such as
# kSourceFile in anonymous namespaces, which clash in a unity batch.
option(KVX_PRECOMPILE_HEADERS "Precompile the Qt and standard headers of the targets that use Qt" ON)

# Targets with fewer sources than this gain nothing from a precompiled header.
set(KVX_PCH_MIN_SOURCES 4)

set(KVX_PCH_HEADERS
    <algorithm> <cstdint> <cstring> <functional> <map> <memory> <string> <vector>
    <QtCore/QObject> <QtCore/QString> <QtCore/QTimer> <QtGui/QFontMetrics> <QtGui/QImage> <QtGui/QPainter>
    <QtWidgets/QApplication> <QtWidgets/QCheckBox> <QtWidgets/QComboBox> <QtWidgets/QDialog>
    <QtWidgets/QLabel> <QtWidgets/QLineEdit> <QtWidgets/QPushButton> <QtWidgets/QWidget>)

# Whether a target is a test suite and whether it uses Qt, by its direct links.
function(kvx_pch_kind target out_test out_qt)
  get_target_property(links ${target} LINK_LIBRARIES)
  set(test OFF)
  set(qt OFF)
  foreach(link IN LISTS links)
    if(link MATCHES "^(GTest::|kvx_testing)")
      set(test ON)
    endif()
    if(link MATCHES "^(Qt6::(Widgets|Gui)|pendrel_ui|kvx_testing_gui)$")
      set(qt ON)
    endif()
  endforeach()
  set(${out_test} ${test} PARENT_SCOPE)
  set(${out_qt} ${qt} PARENT_SCOPE)
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
  kvx_pch_kind(${target} test qt)

  if(KVX_SANITIZE AND test)
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:-O0;-fno-sanitize=undefined>")
  endif()

  if(NOT KVX_PRECOMPILE_HEADERS OR NOT qt OR count LESS KVX_PCH_MIN_SOURCES)
    return()
  endif()
  foreach(header IN LISTS KVX_PCH_HEADERS)
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
