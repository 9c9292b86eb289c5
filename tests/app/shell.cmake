# The editor's shell: settings and transfer sequencing (toolkit-free), windows (offscreen Qt).
if(TARGET td7core)
  add_executable(shell_core_test
    ${CMAKE_CURRENT_LIST_DIR}/SettingsTest.cpp
  )
  target_link_libraries(shell_core_test PRIVATE td7core testsupport GTest::gtest_main)
  tamboro_warnings(shell_core_test)
  gtest_discover_tests(shell_core_test)
endif()
