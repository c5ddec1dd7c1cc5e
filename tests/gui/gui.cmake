# The GUI test driver: a console program the GUI test scripts use to read
# and press the windows of Setup.exe under Wine (an x64 one for the x64 build
# of the program, the vehicle where 32-bit programs cannot run).
add_executable(guidriver ${CMAKE_SOURCE_DIR}/tests/gui/guidriver.cpp)
set_target_properties(guidriver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OUT_DIR}/tests)
target_link_libraries(guidriver PRIVATE platform user32 kernel32 winspool ${WIN_LINK_FLAGS})
