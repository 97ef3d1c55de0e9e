# The MinGW-w64 cross toolchain for the target named by the including
# toolchain file's CMAKE_SYSTEM_PROCESSOR (its compilers are prefixed
# "<processor>-w64-mingw32-").
set(CMAKE_SYSTEM_NAME Windows)
set(VT_MINGW_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${VT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VT_MINGW_PREFIX}-windres)
set(VT_DLLTOOL ${VT_MINGW_PREFIX}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${VT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
