# Cross build for 32-bit Windows with Debian's clang and lld, on the same MinGW-w64 headers,
# import libraries and C++ runtime (libstdc++, posix thread model) as the g++ build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET i686-w64-mingw32)
set(CMAKE_CXX_COMPILER_TARGET i686-w64-mingw32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

# clang 14 does not read Debian's "12-posix" GCC directory name as a version, so it finds
# neither libstdc++'s headers nor libgcc: name them. The sysroot keeps the host's
# /usr/include out of the search.
file(GLOB _gcc_dirs /usr/lib/gcc/i686-w64-mingw32/*-posix)
list(SORT _gcc_dirs COMPARE NATURAL ORDER DESCENDING)
list(GET _gcc_dirs 0 _gcc)
set(_sysroot "--sysroot=/usr/i686-w64-mingw32")
set(CMAKE_C_FLAGS_INIT "${_sysroot}")
set(CMAKE_CXX_FLAGS_INIT
    "${_sysroot} -isystem ${_gcc}/include/c++ -isystem ${_gcc}/include/c++/i686-w64-mingw32")
# -B: GCC's crtbegin.o and crtend.o, not MinGW-w64's own: GCC's register the unwind tables
# that libgcc's DWARF unwinder needs, or no C++ exception is ever caught. libstdc++ was built
# with emulated thread-locals, which need winpthread: linked statically, as g++ does.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -B${_gcc} -L${_gcc} -pthread")

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
