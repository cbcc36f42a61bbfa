# Cross build of the same sources for 64-bit Windows. Machines that cannot
# start 32-bit programs run the Windows tests from this build under 64-bit
# Wine; dist/ still ships the 32-bit files.
set(TAVRIX_MINGW_PROCESSOR x86_64)
set(TAVRIX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
