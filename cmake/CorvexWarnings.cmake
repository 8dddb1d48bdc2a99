# Warnings are errors on our own code; third-party headers come in as SYSTEM.
add_library(corvex_warnings INTERFACE)
target_compile_options(corvex_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  # -Wnon-virtual-dtor stays off: interface classes must not declare destructors
  # (a virtual destructor would add vtable slots); objects are final and delete
  # themselves as their own type.
  $<IF:$<CXX_COMPILER_ID:Clang>,-Wshadow-uncaptured-local,-Wshadow=local>
  -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough
  # g++ 12 at -O3 takes "text" + std::string for a memcpy of overlapping
  # ranges (a false positive of its -Wrestrict, GCC bug 105329).
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)

# Sanitizer build: CMAKE_BUILD_TYPE=Asan (see CMakePresets.json).
set(CMAKE_CXX_FLAGS_ASAN "-O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all"
    CACHE STRING "" FORCE)
set(CMAKE_C_FLAGS_ASAN "${CMAKE_CXX_FLAGS_ASAN}" CACHE STRING "" FORCE)
set(CMAKE_EXE_LINKER_FLAGS_ASAN "-fsanitize=address,undefined" CACHE STRING "" FORCE)
set(CMAKE_SHARED_LINKER_FLAGS_ASAN "-fsanitize=address,undefined" CACHE STRING "" FORCE)
