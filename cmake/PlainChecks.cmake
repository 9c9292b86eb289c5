# `plain_checks`: what scripts/test builds in the plain build folder. The whole suite runs
# under AddressSanitizer and UndefinedBehaviorSanitizer in a build of its own; the plain build
# adds the programs, benchmarks and screenshot tools, and the test programs that the sanitizer
# build leaves out because they go through a real JACK server. Building the other test
# programs a second time, optimised, would prove nothing more. `cmake --build` without a
# target still builds everything.
set(_tamboro_service_tests acceptance_test cli_jack_tests midiports_jack_tests
    td7sim_jack_tests)

function(_tamboro_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _tamboro_targets_below(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

_tamboro_targets_below(${PROJECT_SOURCE_DIR} _tamboro_all_targets)
set(_tamboro_plain_targets)
foreach(target IN LISTS _tamboro_all_targets)
  get_target_property(type ${target} TYPE)
  if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY|UTILITY)$")
    continue()
  endif()
  get_target_property(excluded ${target} EXCLUDE_FROM_ALL)
  if(excluded)
    continue()
  endif()
  # What the test programs need comes with them.
  get_target_property(dir ${target} SOURCE_DIR)
  if(dir MATCHES "^${PROJECT_SOURCE_DIR}/tests(/|$)" AND NOT target IN_LIST _tamboro_service_tests)
    continue()
  endif()
  list(APPEND _tamboro_plain_targets ${target})
endforeach()
add_custom_target(plain_checks)
add_dependencies(plain_checks ${_tamboro_plain_targets})
