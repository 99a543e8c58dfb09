# The viewer's tests read and write TIFF files with libtiff, the outside
# reference; the imaging controls' own tests drive their code directly, and
# the run from Pellow's window starts the built viewer and simulator. The
# test targets do not exist yet when this is read, so the rules wait for the
# folder's end.
function(pellow_viewer_test_rules)
  get_property(_targets DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${_targets})
    if(t MATCHES "^test_viewer_")
      target_link_libraries(${t} PRIVATE PkgConfig::PELLOW_VIEWER_LIBTIFF)
    endif()
  endforeach()
  if(TARGET test_viewer_Imaging_test)
    target_link_libraries(test_viewer_Imaging_test PRIVATE pellow_imaging_core)
  endif()
  if(TARGET test_viewer_PellowView_test)
    target_link_libraries(test_viewer_PellowView_test PRIVATE pellow_mainapp)
    add_dependencies(test_viewer_PellowView_test leafor modemsim)
  endif()
endfunction()
cmake_language(DEFER CALL pellow_viewer_test_rules)
