# The main window's tests against the simulator start the built modemsim and
# read the TIFF files it leads to with libtiff, the outside reference. The
# test target does not exist yet when this is read, so the rules wait for the
# folder's end.
if(NOT TARGET PkgConfig::PELLOW_MAIN_LIBTIFF)
  pkg_check_modules(PELLOW_MAIN_LIBTIFF REQUIRED IMPORTED_TARGET libtiff-4)
endif()
function(pellow_mainsim_rules)
  if(TARGET test_mainapp_MainSim_test)
    add_dependencies(test_mainapp_MainSim_test modemsim)
    target_link_libraries(test_mainapp_MainSim_test PRIVATE PkgConfig::PELLOW_MAIN_LIBTIFF)
  endif()
endfunction()
cmake_language(DEFER CALL pellow_mainsim_rules)
