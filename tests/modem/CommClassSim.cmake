# The channel's simulator tests start the built modemsim; build it with them.
# The test target does not exist yet when this is read, so the rule waits for
# the folder's end.
function(pellow_commclass_need_modemsim)
  if(TARGET test_modem_CommClassSim_test)
    add_dependencies(test_modem_CommClassSim_test modemsim)
  endif()
endfunction()
cmake_language(DEFER CALL pellow_commclass_need_modemsim)
