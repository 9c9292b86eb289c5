# The file commands, their dialogs and the empty-patch dialog on the real windows
# (offscreen Qt, the virtual TD-7 behind the fake MIDI service).
if(TARGET tamboro_gui AND TARGET fakemidi AND TARGET simulator)
  add_executable(filesgui_test
    ${CMAKE_CURRENT_LIST_DIR}/FileCommandsDumpTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileCommandsSetupTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QueryEmptyTest.cpp
  )
  target_link_libraries(filesgui_test PRIVATE
    tamboro_gui fakemidi simulator Qt6::Test GTest::gtest_main)
  tamboro_warnings(filesgui_test)
  gtest_discover_tests(filesgui_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()

# Not a test: a picture of the empty-patch dialog (files_screenshots <folder>).
if(TARGET tamboro_gui AND TARGET fakemidi AND TARGET simulator)
  add_executable(files_screenshots ${CMAKE_CURRENT_LIST_DIR}/FilesScreenshots.cpp)
  target_link_libraries(files_screenshots PRIVATE tamboro_gui fakemidi simulator Qt6::Test)
  tamboro_warnings(files_screenshots)
endif()
