# The settings and info dialogs are tested against the built simulator; build
# it with them. The test targets do not exist yet when this is read, so the
# rule waits for the folder's end.
function(pellow_modem_dialogs_rules)
  foreach(target test_mainapp_Settings3comMsg_test test_mainapp_InfoForm_test test_mainapp_SettingsElsaMLOffice_test
                 test_mainapp_DialogTexts_test)
    if(TARGET ${target})
      add_dependencies(${target} modemsim)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL pellow_modem_dialogs_rules)
