# tavrix_deliverable(<target> <file name> [NO_RUNTIME | NO_EXCEPTIONS | NO_HEAP])
# Gives a deliverable its shipped file name (no "lib" prefix, its own
# extension such as .gau) and copies it into dist/ after every build, so
# dist/ is always complete and current. Shipped files are stripped and lose
# the sections nothing refers to. Those with the C++ runtime in them get the
# run-time lookups that keep their imports within Windows 2000 and the lean
# runtime (common/runtime/) in place of the runtime's larger parts.
#   NO_RUNTIME     a file without the runtime (the skin: resources only)
#   NO_EXCEPTIONS  a file whose own code is built without exceptions and so
#                  carries no unwinder (the engines, the stub);
#                  the libraries it links must be built so too
#                  (tavrix_without_exceptions)
#   NO_HEAP        built without exceptions, for code that neither throws nor
#                  allocates (the gauges: plain records and calls), so the
#                  replacements are left out too: even unused, their imports
#                  would stay in the file
function(tavrix_deliverable target file_name)
    cmake_parse_arguments(arg "NO_RUNTIME;NO_EXCEPTIONS;NO_HEAP" "" "" ${ARGN})
    get_filename_component(stem ${file_name} NAME_WE)
    get_filename_component(ext ${file_name} LAST_EXT)
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${stem} SUFFIX ${ext})
    set_property(GLOBAL APPEND PROPERTY TAVRIX_DELIVERABLES ${target})
    if(TAVRIX_TARGET)
        target_link_options(${target} PRIVATE -s -Wl,--gc-sections)
        if(arg_NO_HEAP)
            tavrix_without_exceptions(${target})
            target_sources(${target} PRIVATE $<TARGET_OBJECTS:tavrix_win2000_imports>)
        elseif(arg_NO_EXCEPTIONS)
            tavrix_without_exceptions(${target})
            target_sources(${target} PRIVATE $<TARGET_OBJECTS:tavrix_win2000_imports>
                                             $<TARGET_OBJECTS:tavrix_no_exceptions_runtime>)
        elseif(NOT arg_NO_RUNTIME)
            target_sources(${target} PRIVATE $<TARGET_OBJECTS:tavrix_win2000_imports>
                                             $<TARGET_OBJECTS:tavrix_lean_runtime>)
        endif()
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVRIX_DIST_DIR}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${TAVRIX_DIST_DIR}/${file_name}
            VERBATIM)
    endif()
endfunction()

# tavrix_without_exceptions(<target>...)
# In the Windows builds, compiles the targets' own sources without exceptions
# and without unwind tables: no unwinder is linked for them, and the linker
# can drop each function nothing calls (a function's unwind entry would keep
# it). The native build keeps both, for the sanitizers and fuzzers.
function(tavrix_without_exceptions)
    if(TAVRIX_TARGET)
        foreach(target IN LISTS ARGN)
            target_compile_options(${target} PRIVATE -fno-exceptions -fno-asynchronous-unwind-tables)
        endforeach()
    endif()
endfunction()

# tavrix_shipped_targets()
# "shipped": every deliverable and nothing else (the demo builds just this;
# the tests build the rest). After the deliverables, the 32-bit build prints
# each shipped file's size against its budget (tools/bench/shipped_sizes.py).
function(tavrix_shipped_targets)
    if(NOT TAVRIX_TARGET)
        return()
    endif()
    get_property(deliverables GLOBAL PROPERTY TAVRIX_DELIVERABLES)
    add_custom_target(shipped)
    add_dependencies(shipped ${deliverables})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        find_package(Python3 COMPONENTS Interpreter REQUIRED)
        add_custom_target(shipped_sizes ALL
            COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/bench/shipped_sizes.py ${TAVRIX_DIST_DIR}
            COMMENT "Sizes of the shipped files in ${TAVRIX_DIST_DIR}"
            VERBATIM)
        add_dependencies(shipped_sizes ${deliverables})
        add_dependencies(shipped shipped_sizes)
    endif()
endfunction()
