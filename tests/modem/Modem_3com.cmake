# The 3Com family's tests run the built simulator; build it with them. They
# read the fax files the family writes with libtiff, the outside reference.
# The test target does not exist yet when this is read, so the rules wait for
# the folder's end.
if(NOT TARGET PkgConfig::PELLOW_3COM_LIBTIFF)
  pkg_check_modules(PELLOW_3COM_LIBTIFF REQUIRED IMPORTED_TARGET libtiff-4)
endif()
function(pellow_3com_test_rules)
  if(TARGET test_modem_Modem_3com_test)
    add_dependencies(test_modem_Modem_3com_test modemsim)
    target_link_libraries(test_modem_Modem_3com_test PRIVATE PkgConfig::PELLOW_3COM_LIBTIFF)
  endif()
endfunction()
cmake_language(DEFER CALL pellow_3com_test_rules)
