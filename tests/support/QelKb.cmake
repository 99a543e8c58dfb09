# The keyboard-monitor libraries of the tests lie beside the test programs,
# where the loader looks for "QelKbMon.dll": one with both entries, one
# without any.
foreach(_kbmon QelKbMon QelKbNoEntries)
  if(_kbmon STREQUAL "QelKbMon")
    set(_kbsrc ${CMAKE_CURRENT_SOURCE_DIR}/support/QelKbMonTest.c)
  else()
    set(_kbsrc ${CMAKE_CURRENT_SOURCE_DIR}/support/${_kbmon}.c)
  endif()
  add_library(${_kbmon} MODULE ${_kbsrc})
  target_include_directories(${_kbmon} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${_kbmon} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  set_target_properties(${_kbmon} PROPERTIES PREFIX "" SUFFIX ".so"
                        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endforeach()
# The test programs are made after this file is read, so their dependency on
# the libraries is added at the end of the folder.
function(qelkb_needs_monitors target)
  if(TARGET ${target})
    add_dependencies(${target} QelKbMon QelKbNoEntries)
  endif()
endfunction()
cmake_language(DEFER CALL qelkb_needs_monitors test_support_QelKb_test)
cmake_language(DEFER CALL qelkb_needs_monitors test_support_QelStatusBar_test)
