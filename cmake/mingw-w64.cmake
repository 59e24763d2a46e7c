# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix).
# The -posix thread variant is the one with std::mutex and std::thread, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RDS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RDS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RDS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RDS_MINGW_TRIPLE}-windres)

# Libraries built for the target (GoogleTest, Qt for Windows) are found through
# CMAKE_PREFIX_PATH; the host's own libraries and headers never are.
set(CMAKE_FIND_ROOT_PATH /usr/${RDS_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: the programs run on a bare Windows (or Wine) without the MinGW DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs and tools are started through Wine when one is installed.
find_program(RDS_WINE NAMES wine64 wine)
if(RDS_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RDS_WINE})
endif()
