# The whole-program runs start the built programs against the built modemsim;
# build every program that exists with them. The test targets do not exist yet
# when this is read, so the rule waits for the folder's end.
function(pellow_system_need_programs)
  get_property(_targets DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  set(_programs)
  foreach(p pellow leafor murmel echolet modemsim)
    if(TARGET ${p})
      list(APPEND _programs ${p})
    endif()
  endforeach()
  foreach(t ${_targets})
    if(t MATCHES "^test_system_")
      add_dependencies(${t} ${_programs})
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL pellow_system_need_programs)
