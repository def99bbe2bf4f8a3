# Shared part of the mingw-w64 toolchain files. The -posix compilers are used because
# the win32-threading ones lack std::thread and std::mutex.
set(CMAKE_C_COMPILER   ${CW32_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CW32_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${CW32_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CW32_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
