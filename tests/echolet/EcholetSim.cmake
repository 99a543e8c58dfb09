# Echolet's tests run its transfers against the built simulator and compare
# its sound files with sox, the outside reference; build the simulator with
# them. The test targets do not exist yet when this is read, so the rule waits
# for the folder's end.
function(pellow_echolet_sim_rules)
  get_property(_targets DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${_targets})
    if(t MATCHES "^test_echolet_")
      add_dependencies(${t} modemsim)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL pellow_echolet_sim_rules)
