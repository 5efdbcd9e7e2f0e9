# zm32's two help files lie beside the program, in the build and installed: both windows call
# zm_help_files(zm32).
set(ZM_HELP_DIR ${CMAKE_CURRENT_LIST_DIR}/../frontend/help_texts)
function(zm_help_files target)
  foreach(f zm32.txt zm32ini.txt)
    add_custom_command(OUTPUT ${ZM_BIN_DIR}/${f}
      COMMAND ${CMAKE_COMMAND} -E copy ${ZM_HELP_DIR}/${f} ${ZM_BIN_DIR}/${f}
      DEPENDS ${ZM_HELP_DIR}/${f})
    list(APPEND outputs ${ZM_BIN_DIR}/${f})
    install(FILES ${ZM_HELP_DIR}/${f} DESTINATION ${ZM_PROGRAM_DIR})
  endforeach()
  add_custom_target(${target}_help_files ALL DEPENDS ${outputs})
  add_dependencies(${target} ${target}_help_files)
endfunction()
