# The planted DLL and program of the plant test (tests/gui/plant.sh), copied
# there under the names of the system DLLs and tools the installer uses.
add_library(standin_planted_dll SHARED ${CMAKE_SOURCE_DIR}/standins/planted.cpp)
target_compile_definitions(standin_planted_dll PRIVATE PLANTED_DLL)
set_target_properties(standin_planted_dll PROPERTIES OUTPUT_NAME planted PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${STANDINS_DIR})
target_link_libraries(standin_planted_dll PRIVATE ${WIN_LINK_FLAGS})
add_executable(standin_planted_exe ${CMAKE_SOURCE_DIR}/standins/planted.cpp)
set_target_properties(standin_planted_exe PROPERTIES OUTPUT_NAME planted RUNTIME_OUTPUT_DIRECTORY ${STANDINS_DIR})
target_link_libraries(standin_planted_exe PRIVATE ${WIN_LINK_FLAGS})
