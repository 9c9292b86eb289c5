# One data request and its answer through the ports, the ring, the port link and a dump
# collection, with the in-process virtual TD-7 answering at once.
if(TARGET portlink AND TARGET simulator)
  add_executable(bench_ports ${CMAKE_CURRENT_SOURCE_DIR}/ports_request.cpp)
  target_link_libraries(bench_ports PRIVATE portlink midiports benchmark::benchmark_main)
  tamboro_warnings(bench_ports)
endif()

# The same through a private JACK server with td7sim (start one with scripts/jack-fixture).
if(TARGET td7sim)
  add_executable(bench_ports_jack ${CMAKE_CURRENT_SOURCE_DIR}/ports_jack.cpp
                 ${PROJECT_SOURCE_DIR}/tests/midiports/JackPeers.cpp)
  target_compile_definitions(bench_ports_jack PRIVATE TD7SIM_PATH="$<TARGET_FILE:td7sim>")
  target_link_libraries(bench_ports_jack PRIVATE midiports benchmark::benchmark_main)
  add_dependencies(bench_ports_jack td7sim)
  tamboro_warnings(bench_ports_jack)
endif()
