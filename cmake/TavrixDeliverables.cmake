# tavrix_deliverable(<target> <file name> [NO_RUNTIME])
# Gives a deliverable its shipped file name (no "lib" prefix, its own
# extension such as .gau) and copies it into dist/ after every build, so
# dist/ is always complete and current. Shipped files are stripped, and those
# with the C++ runtime in them get the run-time lookups that keep their
# imports within Windows 2000 (NO_RUNTIME: a file without it, the skin).
function(tavrix_deliverable target file_name)
    cmake_parse_arguments(arg "NO_RUNTIME" "" "" ${ARGN})
    get_filename_component(stem ${file_name} NAME_WE)
    get_filename_component(ext ${file_name} LAST_EXT)
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${stem} SUFFIX ${ext})
    if(TAVRIX_TARGET)
        target_link_options(${target} PRIVATE -s)
        if(NOT arg_NO_RUNTIME)
            target_sources(${target} PRIVATE $<TARGET_OBJECTS:tavrix_win2000_imports>)
        endif()
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVRIX_DIST_DIR}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${TAVRIX_DIST_DIR}/${file_name}
            VERBATIM)
    endif()
endfunction()
