# sb_board_module(target): a module the board loads beside itself at its
# first use (app/desktop/modulefile.h), built into the board's folder under
# the platform's name, with a copy beside the test programs, which load it
# from their own folder. The board loads a module from a copy in memory, so
# the board folder's file carries no debugging symbols: they would take
# memory in every board that loads it and serve no debugger there.
function(sb_board_module target)
    set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${SB_BOARD_DIR})
    if(WIN32)
        set_target_properties(${target} PROPERTIES PREFIX "")
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${CMAKE_BINARY_DIR}/bin/)
    if(CMAKE_STRIP AND NOT WIN32)
        add_custom_command(TARGET ${target} POST_BUILD COMMAND ${CMAKE_STRIP} --strip-debug $<TARGET_FILE:${target}>)
    endif()
endfunction()
