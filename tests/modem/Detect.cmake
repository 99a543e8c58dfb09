# The detection tests start the simulator; build it with them. The test
# targets do not exist yet when this is read, so the rule waits for the
# folder's end.
function(pellow_detect_need_modemsim)
  file(GLOB _detect ${CMAKE_CURRENT_SOURCE_DIR}/modem/Detect*_test.cpp)
  foreach(src ${_detect})
    get_filename_component(stem ${src} NAME_WE)
    if(TARGET test_modem_${stem})
      add_dependencies(test_modem_${stem} modemsim)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL pellow_detect_need_modemsim)
