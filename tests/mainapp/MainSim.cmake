# The main window's tests against the simulator (MainSim*_test.cpp) start the
# built modemsim and read the TIFF files it leads to with libtiff, the outside
# reference. The test targets do not exist yet when this is read, so the
# rules wait for the folder's end.
if(NOT TARGET PkgConfig::PELLOW_MAIN_LIBTIFF)
  pkg_check_modules(PELLOW_MAIN_LIBTIFF REQUIRED IMPORTED_TARGET libtiff-4)
endif()
function(pellow_mainsim_rules)
  get_property(_targets DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${_targets})
    if(t MATCHES "^test_mainapp_MainSim")
      add_dependencies(${t} modemsim)
      target_link_libraries(${t} PRIVATE PkgConfig::PELLOW_MAIN_LIBTIFF)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL pellow_mainsim_rules)
