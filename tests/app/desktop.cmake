# Everyday desktop use: the command line, devices found again by name, the port-loop watch,
# dropped files (toolkit-free and on the real windows), the help file of an installed program,
# and the program run without a display.
if(TARGET td7core)
  add_executable(desktop_core_test ${CMAKE_CURRENT_LIST_DIR}/DesktopCoreTest.cpp)
  target_link_libraries(desktop_core_test PRIVATE td7core GTest::gtest_main)
  tamboro_warnings(desktop_core_test)
  gtest_discover_tests(desktop_core_test)
endif()

if(TARGET tamboro_gui AND TARGET fakemidi AND TARGET simulator)
  add_executable(desktop_gui_test
    ${CMAKE_CURRENT_LIST_DIR}/DesktopDevicesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DesktopDropTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DesktopHelpTest.cpp
  )
  target_link_libraries(desktop_gui_test PRIVATE
    tamboro_gui fakemidi simulator Qt6::Test GTest::gtest_main)
  tamboro_warnings(desktop_gui_test)
  gtest_discover_tests(desktop_gui_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()

if(TARGET tamboro)
  add_executable(desktop_program_test ${CMAKE_CURRENT_LIST_DIR}/DesktopProgramTest.cpp)
  target_link_libraries(desktop_program_test PRIVATE GTest::gtest_main)
  target_compile_definitions(desktop_program_test PRIVATE
    TAMBORO_PROGRAM="$<TARGET_FILE:tamboro>")
  add_dependencies(desktop_program_test tamboro)
  tamboro_warnings(desktop_program_test)
  gtest_discover_tests(desktop_program_test)
endif()

# Not a test: pictures of every window at the scale and font given
# (desktop_screenshots <folder> <prefix> [--font-points N]).
if(TARGET tamboro_gui AND TARGET fakemidi)
  add_executable(desktop_screenshots ${CMAKE_CURRENT_LIST_DIR}/DesktopScreenshots.cpp)
  target_link_libraries(desktop_screenshots PRIVATE tamboro_gui fakemidi)
  tamboro_warnings(desktop_screenshots)
endif()

# The install rules place the programs and the desktop files, and the validators the
# machine has accept them.
if(TARGET tamboro AND TARGET td7sim)
  add_test(NAME desktop_install
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
            -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install-check
            -P ${CMAKE_CURRENT_LIST_DIR}/Desktop/CheckInstall.cmake)
endif()
