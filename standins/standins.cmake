# Test doubles for the Wine tests, built into ${OUT_DIR}/standins/:
# sc.exe, net.exe and a service executable over one state file, the emit
# test program, and the CPU measurement of the console runner.
set(STANDINS_DIR ${OUT_DIR}/standins)
foreach(tool sc net PrnSvc)
  add_executable(standin_${tool} ${CMAKE_SOURCE_DIR}/standins/tools.cpp)
  set_target_properties(standin_${tool} PROPERTIES OUTPUT_NAME ${tool} RUNTIME_OUTPUT_DIRECTORY ${STANDINS_DIR})
  target_link_libraries(standin_${tool} PRIVATE ${WIN_LINK_FLAGS})
endforeach()
add_executable(standin_emit ${CMAKE_SOURCE_DIR}/standins/emit.cpp)
set_target_properties(standin_emit PROPERTIES OUTPUT_NAME emit RUNTIME_OUTPUT_DIRECTORY ${STANDINS_DIR})
target_link_libraries(standin_emit PRIVATE ${WIN_LINK_FLAGS})
add_executable(runcmd_cpu ${CMAKE_SOURCE_DIR}/standins/runcmd_cpu.cpp)
set_target_properties(runcmd_cpu PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${STANDINS_DIR})
target_link_libraries(runcmd_cpu PRIVATE core ${WIN_LINK_FLAGS})

# Detection: the helper library and devcon stand-ins.
include(${CMAKE_SOURCE_DIR}/standins/detection.cmake)
include(${CMAKE_SOURCE_DIR}/standins/queue_standins.cmake)
include(${CMAKE_SOURCE_DIR}/standins/planted.cmake)
