# The communication test against the controller and driver stand-ins.
add_executable(test_commtest ${CMAKE_CURRENT_LIST_DIR}/commtest_test.cpp)
target_link_libraries(test_commtest PRIVATE panelguiharness)
foreach(standin serialsim driversim)
  string(TOUPPER ${standin} upper)
  if(TARGET ${standin})
    add_dependencies(test_commtest ${standin})
    target_compile_definitions(test_commtest PRIVATE
      ${upper}_PROGRAM="$<TARGET_FILE:${standin}>")
  else()
    target_compile_definitions(test_commtest PRIVATE
      ${upper}_PROGRAM="${CMAKE_BINARY_DIR}/tools/${standin}/${standin}")
  endif()
endforeach()
panel_gui_test(test_commtest)
