# Faults met through the real windows (offscreen Qt): a module that stops answering, an
# output device that goes away while sending, a setup saved where it cannot be written.
if(TARGET tamboro_gui AND TARGET fakemidi AND TARGET simulator)
  add_executable(faults_gui_test
    ${CMAKE_CURRENT_LIST_DIR}/FaultsTransferTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FaultsSaveTest.cpp
  )
  target_link_libraries(faults_gui_test PRIVATE
    tamboro_gui fakemidi simulator Qt6::Test GTest::gtest_main)
  tamboro_warnings(faults_gui_test)
  gtest_discover_tests(faults_gui_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
