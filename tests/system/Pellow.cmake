# The whole-program runs start the built pellow against the built modemsim;
# build both with them. The test target does not exist yet when this is read,
# so the rule waits for the folder's end.
function(pellow_system_need_programs)
  if(TARGET test_system_Pellow_test)
    add_dependencies(test_system_Pellow_test pellow modemsim)
  endif()
endfunction()
cmake_language(DEFER CALL pellow_system_need_programs)
