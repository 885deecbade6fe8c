# Compiler set-up shared by every target: ccache, warnings, sanitizers.

find_program(KVX_CCACHE ccache)
if(KVX_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER "${KVX_CCACHE}")
  set(CMAKE_CXX_COMPILER_LAUNCHER "${KVX_CCACHE}")
endif()

# Warnings apply to our own code; targets that wrap third-party sources may
# lower them locally.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

# CI's optimised build turns every warning of our code into an error. Only
# our own sources get the flag: third-party headers come in as system
# headers, whose warnings the compiler does not show.
option(KVX_WERROR "Treat warnings in our own code as errors" OFF)
if(KVX_WERROR)
  add_compile_options(-Werror)
endif()

if(KVX_SANITIZE)
  # Line tables are all the sanitizers' reports need, and much cheaper than
  # full debug information.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -O1 -g1)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KVX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KVX_FUZZ needs clang (CC=clang-14 CXX=clang++-14)")
  endif()
  # As in the sanitizer build: -O1 and line tables keep the build quick and
  # the reports readable.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -O1 -gline-tables-only)
  add_link_options(-fsanitize=address,undefined)
endif()

# Shared libraries export only what they mark; the utility library stays
# private inside each of them.
function(kvx_hide_static_libraries target)
  target_link_options(${target} PRIVATE "LINKER:--exclude-libs,ALL")
endfunction()

# The version marker: every program and shared library carries the four-part
# project version in its section ".kvx_version" ("KVXVERSION" and four
# 16-bit little-endian numbers: major, minor, build, revision), which the
# module version functions read back. One generated source serves all.
# KVX_VERSION_TEXT is the text the version functions give for it.
set(KVX_MARKER_BYTES "")
set(KVX_VERSION_TEXT "")
foreach(part MAJOR MINOR PATCH TWEAK)
  set(value "${PROJECT_VERSION_${part}}")
  if(value STREQUAL "")
    set(value 0)
  endif()
  math(EXPR low "${value} % 256")
  math(EXPR high "(${value} / 256) % 256")
  string(APPEND KVX_MARKER_BYTES "${low}, ${high}, ")
  string(APPEND KVX_VERSION_TEXT "${value}.")
endforeach()
string(REGEX REPLACE ", $" "" KVX_MARKER_BYTES "${KVX_MARKER_BYTES}")
string(REGEX REPLACE "\\.$" "" KVX_VERSION_TEXT "${KVX_VERSION_TEXT}")
set(KVX_VERSION_MARKER_SOURCE "${PROJECT_BINARY_DIR}/generated/KvxVersionMarker.cpp")
configure_file("${CMAKE_CURRENT_LIST_DIR}/KvxVersionMarker.cpp.in" "${KVX_VERSION_MARKER_SOURCE}" @ONLY)

# Embeds the marker into one program or shared library (once).
function(kvx_embed_version target)
  get_target_property(embedded ${target} KVX_VERSION_EMBEDDED)
  if(embedded)
    return()
  endif()
  target_sources(${target} PRIVATE "${KVX_VERSION_MARKER_SOURCE}")
  set_target_properties(${target} PROPERTIES KVX_VERSION_EMBEDDED ON)
endfunction()

# Embeds the marker into every program and shared library defined in the
# folder and the folders below it. The top-level CMakeLists.txt calls it
# last, so no binary goes without.
function(kvx_embed_version_everywhere dir)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
      kvx_embed_version(${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    kvx_embed_version_everywhere("${subdir}")
  endforeach()
endfunction()
