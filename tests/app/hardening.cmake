# Bad input and load at the editor's edges: a flooded input, a cable that echoes the
# editor's own messages, a damaged settings file. Toolkit-free; the port tests run under
# ThreadSanitizer too (label "ports").
if(TARGET td7core AND TARGET fakemidi AND TARGET portlink)
  add_executable(hardening_port_tests
    ${CMAKE_CURRENT_LIST_DIR}/Hardening/InputFloodTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Hardening/EchoLoopTest.cpp
  )
  target_link_libraries(hardening_port_tests PRIVATE td7core fakemidi portlink testsupport
    GTest::gtest_main)
  tamboro_warnings(hardening_port_tests)
  gtest_discover_tests(hardening_port_tests PROPERTIES LABELS "core;ports")
endif()

if(TARGET td7core)
  add_executable(hardening_settings_tests ${CMAKE_CURRENT_LIST_DIR}/Hardening/GarbageSettingsTest.cpp)
  target_link_libraries(hardening_settings_tests PRIVATE td7core GTest::gtest_main)
  tamboro_warnings(hardening_settings_tests)
  gtest_discover_tests(hardening_settings_tests PROPERTIES LABELS core)
endif()
