# The ELSA family's tests run the built simulator and read the TIFF files the
# family writes with libtiff, the outside reference. The test targets do not
# exist yet when this is read, so the linking waits for the folder's end.
if(NOT TARGET PkgConfig::PELLOW_FAX_LIBTIFF)
  pkg_check_modules(PELLOW_FAX_LIBTIFF REQUIRED IMPORTED_TARGET libtiff-4)
endif()
function(pellow_elsa_test_rules)
  if(TARGET test_modem_Modem_Elsa_test)
    target_link_libraries(test_modem_Modem_Elsa_test PRIVATE PkgConfig::PELLOW_FAX_LIBTIFF)
    add_dependencies(test_modem_Modem_Elsa_test modemsim)
  endif()
endfunction()
cmake_language(DEFER CALL pellow_elsa_test_rules)
