set(CMAKE_SYSTEM_PROCESSOR i686)
set(VT_ARCH x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
