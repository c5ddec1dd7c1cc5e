# The 64-bit sibling setup (x64 only) and the ActiveX control (both builds).
add_library(standin_webprnctl SHARED ${CMAKE_SOURCE_DIR}/standins/webprnctl.cpp)
set_target_properties(standin_webprnctl PROPERTIES OUTPUT_NAME WebPrnCtl PREFIX "" SUFFIX ".ocx"
                      RUNTIME_OUTPUT_DIRECTORY ${STANDINS_DIR})
target_link_options(standin_webprnctl PRIVATE -Wl,--kill-at)
target_link_libraries(standin_webprnctl PRIVATE ${WIN_LINK_FLAGS})
if(BUILD_KIND STREQUAL win64)
  add_executable(standin_quenset64 ${CMAKE_SOURCE_DIR}/standins/quenset64.cpp
                 ${CMAKE_SOURCE_DIR}/drvkit/sibling.cpp ${CMAKE_SOURCE_DIR}/src/platform/win32/system_library.cpp)
  target_include_directories(standin_quenset64 PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(standin_quenset64 PROPERTIES OUTPUT_NAME Quenset64
                        RUNTIME_OUTPUT_DIRECTORY ${STANDINS_DIR})
  target_link_libraries(standin_quenset64 PRIVATE ${WIN_LINK_FLAGS})
endif()
# The helper library stand-in installs a printer driver on a successful FuncDrvKit.
foreach(t standin_drvkit standin_drvkit_nofind)
  if(TARGET ${t})
    target_link_libraries(${t} PRIVATE winspool)
  endif()
endforeach()
