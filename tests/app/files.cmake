# Setup and dump files, safe saving, the default patch and patch slots (toolkit-free).
if(TARGET td7core)
  add_executable(files_tests
    ${CMAKE_CURRENT_LIST_DIR}/Files/FilesSetupTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Files/FilesDumpTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Files/FilesSafeSaveTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Files/FilesDefaultPatchTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Files/FilesPatchSlotsTest.cpp
  )
  target_link_libraries(files_tests PRIVATE td7core testsupport GTest::gtest_main)
  tamboro_warnings(files_tests)
  gtest_discover_tests(files_tests PROPERTIES LABELS core)
endif()
