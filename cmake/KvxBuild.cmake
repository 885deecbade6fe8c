# Compiler set-up shared by every target: ccache, warnings, sanitizers.

find_program(KVX_CCACHE ccache)
if(KVX_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER "${KVX_CCACHE}")
  set(CMAKE_CXX_COMPILER_LAUNCHER "${KVX_CCACHE}")
endif()

# Warnings apply to our own code; targets that wrap third-party sources may
# lower them locally.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

if(KVX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -O1 -g)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KVX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KVX_FUZZ needs clang (CC=clang-14 CXX=clang++-14)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

# Shared libraries export only what they mark; the utility library stays
# private inside each of them.
function(kvx_hide_static_libraries target)
  target_link_options(${target} PRIVATE "LINKER:--exclude-libs,ALL")
endfunction()
