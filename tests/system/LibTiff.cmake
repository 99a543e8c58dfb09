# The whole-program runs read the fax files the programs write with libtiff,
# the outside reference. The test targets do not exist yet when this is read,
# so the linking waits for the folder's end.
if(NOT TARGET PkgConfig::PELLOW_SYSTEM_LIBTIFF)
  pkg_check_modules(PELLOW_SYSTEM_LIBTIFF REQUIRED IMPORTED_TARGET libtiff-4)
endif()
function(pellow_system_link_libtiff)
  foreach(t test_system_Pellow_test test_system_PellowUnplugged_test)
    if(TARGET ${t})
      target_link_libraries(${t} PRIVATE PkgConfig::PELLOW_SYSTEM_LIBTIFF)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL pellow_system_link_libtiff)
