# The GUI test driver: a console program the GUI test scripts use to read
# and press the windows of Setup.exe under Wine.
if(BUILD_KIND STREQUAL win32)
  add_executable(guidriver ${CMAKE_SOURCE_DIR}/tests/gui/guidriver.cpp)
  set_target_properties(guidriver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OUT_DIR}/tests)
  target_link_libraries(guidriver PRIVATE platform user32 kernel32 winspool ${WIN_LINK_FLAGS})
endif()
