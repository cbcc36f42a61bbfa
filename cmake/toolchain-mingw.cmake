# The part of the two Windows cross builds (mingw-w64, posix threads model)
# that differs only by the target's triple; the toolchain files set
# TAVRIX_MINGW_PROCESSOR and TAVRIX_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TAVRIX_MINGW_PROCESSOR})

set(CMAKE_C_COMPILER ${TAVRIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRIX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every test executable runs under Wine through this script.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
