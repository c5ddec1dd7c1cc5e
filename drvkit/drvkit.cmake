# The open helper library: its INF reading (plain C++) with its tests and
# fuzz target on the host, and drvkit.dll (i686) / drvkit64.dll (x64) in
# ${OUT_DIR}/drvkit for the Windows builds.
set(DRVKIT_PORTABLE ${CMAKE_SOURCE_DIR}/drvkit/inf_file.cpp ${CMAKE_SOURCE_DIR}/drvkit/driver_plan.cpp)

if(WIN32)
  if(BUILD_KIND STREQUAL win64)
    set(DRVKIT_OUTPUT drvkit64)
  else()
    set(DRVKIT_OUTPUT drvkit)
  endif()
  # The system's own folder finder and loader (system_library.cpp), linked
  # in so the spooler and SetupAPI come from there as for Setup.exe.
  add_library(drvkit_library SHARED ${CMAKE_SOURCE_DIR}/drvkit/drvkit_win.cpp ${DRVKIT_PORTABLE}
              ${CMAKE_SOURCE_DIR}/src/platform/win32/system_library.cpp)
  if(NOT BUILD_KIND STREQUAL win64)
    target_sources(drvkit_library PRIVATE ${CMAKE_SOURCE_DIR}/drvkit/drvkit.def)
    target_link_options(drvkit_library PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
  target_link_options(drvkit_library PRIVATE -Wl,--gc-sections)
  set_target_properties(drvkit_library PROPERTIES OUTPUT_NAME ${DRVKIT_OUTPUT} PREFIX ""
                        RUNTIME_OUTPUT_DIRECTORY ${OUT_DIR}/drvkit
                        ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/drvkit-import)
  target_include_directories(drvkit_library PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(drvkit_library PRIVATE ${WIN_LINK_FLAGS} user32 advapi32 kernel32)
  add_custom_command(TARGET drvkit_library POST_BUILD
    COMMAND ${CMAKE_STRIP} --strip-unneeded $<TARGET_FILE:drvkit_library>
    COMMENT "stripping ${DRVKIT_OUTPUT}.dll")
  if(BUILD_KIND STREQUAL win32)
    # Shipped beside Setup.exe and loaded into it: the same import rules.
    add_custom_command(TARGET drvkit_library POST_BUILD
      COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh $<TARGET_FILE:drvkit_library>
              ${CMAKE_SOURCE_DIR}/tools/win2000-imports.txt
      COMMENT "checking the imports of drvkit.dll")
  endif()
  # The test probe: calls the library and reads drivers back (tests/gui/realdriver.sh).
  add_executable(drvkit_probe ${CMAKE_SOURCE_DIR}/drvkit/tests/drvkit_probe.cpp)
  set_target_properties(drvkit_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OUT_DIR}/drvkit/tests)
  target_link_libraries(drvkit_probe PRIVATE ${WIN_LINK_FLAGS} winspool gdi32)
  # A language monitor a test package installs with its driver.
  add_library(drvkit_test_monitor SHARED ${CMAKE_SOURCE_DIR}/drvkit/tests/test_monitor.cpp)
  set_target_properties(drvkit_test_monitor PROPERTIES OUTPUT_NAME vplangmon PREFIX ""
                        RUNTIME_OUTPUT_DIRECTORY ${OUT_DIR}/drvkit/tests)
  target_link_options(drvkit_test_monitor PRIVATE -Wl,--kill-at)
  target_link_libraries(drvkit_test_monitor PRIVATE ${WIN_LINK_FLAGS})
else()
  add_executable(drvkit_tests ${CMAKE_SOURCE_DIR}/drvkit/tests/driver_plan_test.cpp ${DRVKIT_PORTABLE})
  target_include_directories(drvkit_tests PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(drvkit_tests PRIVATE gtest gtest_main)
  set_target_properties(drvkit_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OUT_DIR}/tests)
  target_compile_definitions(drvkit_tests PRIVATE DRVKIT_SAMPLE_MEDIUM="${CMAKE_SOURCE_DIR}/samples/medium")
  if(TARGET drvkit_inf_fuzz)
    target_sources(drvkit_inf_fuzz PRIVATE ${DRVKIT_PORTABLE})
  endif()
endif()

# The 64-bit sibling setup, shipped as X64\Quenset64.exe beside drvkit64.dll.
if(WIN32 AND BUILD_KIND STREQUAL win64)
  add_executable(drvkit_sibling ${CMAKE_SOURCE_DIR}/drvkit/sibling_main.cpp ${CMAKE_SOURCE_DIR}/drvkit/sibling.cpp
                 ${CMAKE_SOURCE_DIR}/src/platform/win32/system_library.cpp)
  target_include_directories(drvkit_sibling PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(drvkit_sibling PRIVATE ${WIN_LINK_FLAGS} user32 kernel32)
  set_target_properties(drvkit_sibling PROPERTIES OUTPUT_NAME Quenset64
                        RUNTIME_OUTPUT_DIRECTORY ${OUT_DIR}/drvkit)
  add_custom_command(TARGET drvkit_sibling POST_BUILD
    COMMAND ${CMAKE_STRIP} --strip-unneeded $<TARGET_FILE:drvkit_sibling>
    # Started with administrator rights from the medium: only DLLs the system
    # pins to its own folder in its import table.
    COMMAND ${CMAKE_COMMAND} -E env OBJDUMP=${CMAKE_OBJDUMP}
            ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh --dlls-only $<TARGET_FILE:drvkit_sibling>
            ${CMAKE_SOURCE_DIR}/tools/win2000-imports.txt
    COMMENT "stripping Quenset64.exe and checking its imports")
endif()
