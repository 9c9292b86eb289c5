# Offering one received system-exclusive message to the five TD-7 collections.
if(TARGET td7core)
  add_executable(bench_datamap ${CMAKE_CURRENT_SOURCE_DIR}/datamap_match.cpp)
  target_link_libraries(bench_datamap PRIVATE td7core benchmark::benchmark_main)
  tamboro_warnings(bench_datamap)
endif()
