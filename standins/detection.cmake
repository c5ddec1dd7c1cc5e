# The helper library (drvkit.dll on i686 with its .def, drvkit64.dll on x64),
# a variant without FuncFindExistDevice for the contract tests, and devcon.exe,
# over one state file beside them.
if(BUILD_KIND STREQUAL win64)
  set(DRVKIT_NAME drvkit64)
else()
  set(DRVKIT_NAME drvkit)
endif()
add_library(standin_drvkit SHARED ${CMAKE_SOURCE_DIR}/standins/drvkit.cpp)
if(NOT BUILD_KIND STREQUAL win64)
  target_sources(standin_drvkit PRIVATE ${CMAKE_SOURCE_DIR}/standins/drvkit.def)
  target_link_options(standin_drvkit PRIVATE -Wl,--enable-stdcall-fixup)
endif()
set_target_properties(standin_drvkit PROPERTIES OUTPUT_NAME ${DRVKIT_NAME} PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${STANDINS_DIR})
target_link_libraries(standin_drvkit PRIVATE ${WIN_LINK_FLAGS})
target_include_directories(standin_drvkit PRIVATE ${CMAKE_SOURCE_DIR})  # drvkit/exports.h

add_library(standin_drvkit_nofind SHARED ${CMAKE_SOURCE_DIR}/standins/drvkit.cpp)
target_compile_definitions(standin_drvkit_nofind PRIVATE DRVKIT_WITHOUT_FIND)
if(NOT BUILD_KIND STREQUAL win64)
  target_sources(standin_drvkit_nofind PRIVATE ${CMAKE_SOURCE_DIR}/standins/drvkit_nofind.def)
  target_link_options(standin_drvkit_nofind PRIVATE -Wl,--enable-stdcall-fixup)
endif()
set_target_properties(standin_drvkit_nofind PROPERTIES OUTPUT_NAME ${DRVKIT_NAME}_nofind PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${STANDINS_DIR})
target_link_libraries(standin_drvkit_nofind PRIVATE ${WIN_LINK_FLAGS})
target_include_directories(standin_drvkit_nofind PRIVATE ${CMAKE_SOURCE_DIR})  # drvkit/exports.h

add_executable(standin_devcon ${CMAKE_SOURCE_DIR}/standins/devcon.cpp)
set_target_properties(standin_devcon PROPERTIES OUTPUT_NAME devcon RUNTIME_OUTPUT_DIRECTORY ${STANDINS_DIR})
target_link_libraries(standin_devcon PRIVATE ${WIN_LINK_FLAGS})
