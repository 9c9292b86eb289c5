# The editor's whole commands as a user starts them: transfers against the virtual TD-7 with
# the cable modelled, full setups loaded and saved, and the start of the program with its
# peak memory. scripts/bench runs them side by side.
if(TARGET tamboro_gui AND TARGET simulator)
  foreach(name transfers files)
    add_executable(bench_editor_${name} ${CMAKE_CURRENT_SOURCE_DIR}/editor_${name}.cpp)
    target_link_libraries(bench_editor_${name} PRIVATE tamboro_gui simulator
                          benchmark::benchmark_main)
    tamboro_warnings(bench_editor_${name})
  endforeach()
  add_executable(editor_startup ${CMAKE_CURRENT_SOURCE_DIR}/editor_startup.cpp)
  target_link_libraries(editor_startup PRIVATE tamboro_gui simulator)
  tamboro_warnings(editor_startup)
endif()
