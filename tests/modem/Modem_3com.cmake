# The 3Com family's tests run the built simulator; build it with them. The
# test target does not exist yet when this is read, so the rule waits for the
# folder's end.
function(pellow_3com_test_rules)
  if(TARGET test_modem_Modem_3com_test)
    add_dependencies(test_modem_Modem_3com_test modemsim)
  endif()
endfunction()
cmake_language(DEFER CALL pellow_3com_test_rules)
