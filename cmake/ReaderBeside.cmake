# Programs that open documents look for the reader program beside themselves. This puts one link
# to it into the current build folder, made by one target that those programs depend on: a link
# made after each program would be replaced by several at once in a parallel build, and fail.
function(ordane_reader_beside target)
  set(link "${CMAKE_CURRENT_BINARY_DIR}/ordane-reader")
  add_custom_command(OUTPUT "${link}"
    COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE:ordane-reader> "${link}"
    DEPENDS ordane-reader
    VERBATIM)
  add_custom_target(${target} DEPENDS "${link}")
endfunction()
