# The patch editor on the main window, driven through its controls on the offscreen
# platform, with the fake MIDI service recording what goes out.
if(TARGET tamboro_gui AND TARGET fakemidi AND TARGET simulator)
  add_executable(patch_gui_test
    ${CMAKE_CURRENT_LIST_DIR}/PatchEditorTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PatchNameTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PatchListTest.cpp
  )
  target_link_libraries(patch_gui_test PRIVATE
    tamboro_gui fakemidi simulator Qt6::Test GTest::gtest_main)
  tamboro_warnings(patch_gui_test)
  gtest_discover_tests(patch_gui_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()

# Pictures of the window for a person to look at: patch_screenshots <folder>.
if(TARGET tamboro_gui AND TARGET fakemidi AND TARGET simulator)
  add_executable(patch_screenshots ${CMAKE_CURRENT_LIST_DIR}/PatchScreenshots.cpp)
  target_link_libraries(patch_screenshots PRIVATE tamboro_gui fakemidi simulator Qt6::Test)
  tamboro_warnings(patch_screenshots)
endif()
