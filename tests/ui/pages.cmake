# Main page selectors; Setting and Advanced pages: the real window under the
# GUI harness.
add_executable(test_mainpage ${CMAKE_CURRENT_LIST_DIR}/mainpage_test.cpp)
target_link_libraries(test_mainpage PRIVATE panelguiharness)
panel_gui_test(test_mainpage)
add_executable(test_settingpages ${CMAKE_CURRENT_LIST_DIR}/settingpages_test.cpp)
target_link_libraries(test_settingpages PRIVATE panelguiharness)
panel_gui_test(test_settingpages)
