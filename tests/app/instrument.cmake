# The instrument editor and the system window (offscreen Qt, over a recording link).
if(TARGET tamboro_gui AND TARGET simulator)
  add_executable(instrument_gui_test
    ${CMAKE_CURRENT_LIST_DIR}/InstrumentWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SystemWindowTest.cpp
  )
  target_link_libraries(instrument_gui_test PRIVATE
    tamboro_gui simulator testsupport Qt6::Test GTest::gtest_main)
  tamboro_warnings(instrument_gui_test)
  gtest_discover_tests(instrument_gui_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)

  # Both windows in the editor: the menu entries, the sound buttons, the lookup setting.
  if(TARGET fakemidi)
    add_executable(instrument_shell_test ${CMAKE_CURRENT_LIST_DIR}/InstrumentShellTest.cpp)
    target_link_libraries(instrument_shell_test PRIVATE
      tamboro_gui fakemidi simulator Qt6::Test GTest::gtest_main)
    tamboro_warnings(instrument_shell_test)
    gtest_discover_tests(instrument_shell_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  endif()

  # Not a test: pictures of both windows with the virtual module's data
  # (instrument_screenshots <folder>).
  add_executable(instrument_screenshots ${CMAKE_CURRENT_LIST_DIR}/InstrumentScreenshots.cpp)
  target_link_libraries(instrument_screenshots PRIVATE
    tamboro_gui simulator testsupport Qt6::Test GTest::gtest)
  tamboro_warnings(instrument_screenshots)
endif()
