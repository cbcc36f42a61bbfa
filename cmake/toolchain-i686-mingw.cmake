# Cross build for 32-bit Windows: the files that ship in dist/.
set(TAVRIX_MINGW_PROCESSOR i686)
set(TAVRIX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
