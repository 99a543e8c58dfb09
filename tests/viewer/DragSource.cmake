# The desktop drop tests drag from a program of their own, as a file
# manager's drag comes from another program.
add_executable(drag-source ${CMAKE_CURRENT_LIST_DIR}/DragSource.cpp)
target_link_libraries(drag-source PRIVATE Qt6::Widgets)
pellow_warnings(drag-source)
function(pellow_drag_source_rules)
  if(TARGET test_viewer_DropFromDesktop_test)
    add_dependencies(test_viewer_DropFromDesktop_test drag-source)
  endif()
endfunction()
cmake_language(DEFER CALL pellow_drag_source_rules)
