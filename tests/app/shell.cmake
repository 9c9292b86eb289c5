# The editor's shell: settings, menu table and transfer sequencing (toolkit-free), and the
# windows (offscreen Qt).
if(TARGET td7core)
  add_executable(shell_core_test
    ${CMAKE_CURRENT_LIST_DIR}/SettingsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellCommandsTest.cpp
  )
  target_link_libraries(shell_core_test PRIVATE td7core testsupport GTest::gtest_main)
  tamboro_warnings(shell_core_test)
  gtest_discover_tests(shell_core_test)

  if(TARGET simulator)
    add_executable(transfers_test ${CMAKE_CURRENT_LIST_DIR}/TransfersTest.cpp)
    target_link_libraries(transfers_test PRIVATE td7core simulator GTest::gtest_main)
    tamboro_warnings(transfers_test)
    gtest_discover_tests(transfers_test)
  endif()
endif()

if(TARGET tamboro_gui AND TARGET fakemidi AND TARGET simulator)
  add_executable(shell_gui_test
    ${CMAKE_CURRENT_LIST_DIR}/ShellStartupTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellTransfersTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellWindowsTest.cpp
  )
  target_link_libraries(shell_gui_test PRIVATE
    tamboro_gui fakemidi simulator Qt6::Test GTest::gtest_main)
  tamboro_warnings(shell_gui_test)
  gtest_discover_tests(shell_gui_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()

# Not a test: pictures of the windows for a person to look at (shell_screenshots <folder>).
if(TARGET tamboro_gui AND TARGET fakemidi)
  add_executable(shell_screenshots ${CMAKE_CURRENT_LIST_DIR}/ShellScreenshots.cpp)
  target_link_libraries(shell_screenshots PRIVATE tamboro_gui fakemidi)
  tamboro_warnings(shell_screenshots)
endif()
