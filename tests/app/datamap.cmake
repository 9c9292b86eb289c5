# Tests of the TD-7 data map.
if(TARGET td7core)
  add_executable(datamap_tests
    ${CMAKE_CURRENT_SOURCE_DIR}/Datamap/Td7MapTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/Datamap/Td7ParameterTableTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/Datamap/Td7BindingTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/Datamap/Td7DecodeTest.cpp
  )
  target_link_libraries(datamap_tests PRIVATE td7core testsupport GTest::gtest_main)
  tamboro_warnings(datamap_tests)
  gtest_discover_tests(datamap_tests)
endif()
