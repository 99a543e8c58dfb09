# The working notice and the playing dialog are tested with the 3Com family
# on the built simulator; build it with them. The test targets do not exist
# yet when this is read, so the rule waits for the folder's end.
function(pellow_3com_forms_rules)
  foreach(target test_mainapp_WorkingForm_test test_mainapp_DialogPlayMessage_test)
    if(TARGET ${target})
      add_dependencies(${target} modemsim)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL pellow_3com_forms_rules)
