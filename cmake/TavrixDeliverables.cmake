# tavrix_deliverable(<target> <file name>)
# Gives a deliverable its shipped file name (no "lib" prefix, its own
# extension such as .gau) and copies it into dist/ after every build, so
# dist/ is always complete and current.
function(tavrix_deliverable target file_name)
    get_filename_component(stem ${file_name} NAME_WE)
    get_filename_component(ext ${file_name} LAST_EXT)
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${stem} SUFFIX ${ext})
    if(TAVRIX_TARGET)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVRIX_DIST_DIR}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${TAVRIX_DIST_DIR}/${file_name}
            VERBATIM)
    endif()
endfunction()
