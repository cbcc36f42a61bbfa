# GoogleTest from Debian's source copy, built with the same compiler and flags.
enable_testing()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(TAVRIX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source")
add_subdirectory(${TAVRIX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# tavrix_add_gtest(<target> [TIMEOUT seconds] [LABELS ...] [ENVIRONMENT ...])
# Registers one GoogleTest executable as one CTest test. In the target build
# CTest runs it through the Wine runner (CMAKE_CROSSCOMPILING_EMULATOR); the
# timeout makes a test that waits on a box nobody answers fail instead of hang.
function(tavrix_add_gtest target)
    cmake_parse_arguments(arg "" "TIMEOUT" "LABELS;ENVIRONMENT" ${ARGN})
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 120)
    endif()
    target_link_libraries(${target} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1
             WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>)
    set_tests_properties(${target} PROPERTIES TIMEOUT ${arg_TIMEOUT})
    if(arg_LABELS)
        set_tests_properties(${target} PROPERTIES LABELS "${arg_LABELS}")
    endif()
    if(arg_ENVIRONMENT)
        set_tests_properties(${target} PROPERTIES ENVIRONMENT "${arg_ENVIRONMENT}")
    endif()
endfunction()

# tavrix_copy_libraries(<target> <folder> <library target>...)
# Copies the libraries' files into <folder> for the test program <target>,
# and again whenever a library is rebuilt. (A copy made after linking the
# program runs only when the program itself relinks, and leaves a stale
# library behind when only the library changed.)
function(tavrix_copy_libraries target folder)
    file(RELATIVE_PATH where ${CMAKE_BINARY_DIR} ${folder})
    string(MAKE_C_IDENTIFIER "copy_${target}_${where}" name)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}.stamp)
    set(files)
    foreach(library IN LISTS ARGN)
        list(APPEND files $<TARGET_FILE:${library}>)
    endforeach()
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${files} ${folder}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${ARGN}
        VERBATIM)
    add_custom_target(${name} DEPENDS ${stamp})
    add_dependencies(${target} ${name})
endfunction()

# tavrix_add_fuzzer(<target> SOURCES ... SEEDS <dir> [SECONDS n] [LIBS ...])
# Native build with TAVRIX_FUZZ only: a libFuzzer target that CTest runs for a
# bounded time over the committed seed corpus. New inputs it finds go to a
# scratch folder in the build tree, never into the committed seeds.
function(tavrix_add_fuzzer target)
    cmake_parse_arguments(arg "" "SEEDS;SECONDS" "SOURCES;LIBS" ${ARGN})
    if(TAVRIX_TARGET OR NOT TAVRIX_FUZZ)
        return()
    endif()
    if(NOT arg_SECONDS)
        set(arg_SECONDS 20)
    endif()
    add_executable(${target} ${arg_SOURCES})
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${target} PRIVATE ${arg_LIBS})
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${target}-corpus)
    file(MAKE_DIRECTORY ${work})
    add_test(NAME ${target}
             COMMAND ${target} -max_total_time=${arg_SECONDS} -rss_limit_mb=2048 -print_final_stats=1 ${work} ${arg_SEEDS})
    set_tests_properties(${target} PROPERTIES TIMEOUT 600 LABELS fuzz)
endfunction()
