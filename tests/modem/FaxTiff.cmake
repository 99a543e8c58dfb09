# The fax tests check the TIFF files we write, and the code trees we decode
# with, against libtiff as the outside reference. The test targets do not
# exist yet when this is read, so the linking waits for the folder's end.
if(NOT TARGET PkgConfig::PELLOW_FAX_LIBTIFF)
  pkg_check_modules(PELLOW_FAX_LIBTIFF REQUIRED IMPORTED_TARGET libtiff-4)
endif()
function(pellow_fax_link_libtiff)
  foreach(t test_modem_FaxTiff_test test_modem_g3resolution_test)
    if(TARGET ${t})
      target_link_libraries(${t} PRIVATE PkgConfig::PELLOW_FAX_LIBTIFF)
    endif()
  endforeach()
  # The round trips through the 3Com family start the built simulator.
  if(TARGET test_modem_FaxTiff_test)
    add_dependencies(test_modem_FaxTiff_test modemsim)
  endif()
endfunction()
cmake_language(DEFER CALL pellow_fax_link_libtiff)
