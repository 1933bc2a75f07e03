# Calibration runs against the driver stand-in (needs panel_gui_test from
# this directory's CMakeLists.txt).
add_executable(test_calibration calibration_test.cpp)
target_link_libraries(test_calibration PRIVATE panelguiharness)
target_compile_definitions(test_calibration PRIVATE DRIVERSIM_PATH="$<TARGET_FILE:driversim>")
add_dependencies(test_calibration driversim)
panel_gui_test(test_calibration)

panel_python_test(NAME ui_calibrate_only SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/test_calibrate_only.py TIMEOUT 300)
