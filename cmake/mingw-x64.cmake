set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VT_ARCH x64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
