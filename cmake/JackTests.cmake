# A private JACK server for the tests that go through a real MIDI service: the build machines
# have no sound hardware, but jackd's dummy driver runs anywhere. The CTest fixture "jack"
# starts it before the first test that requires it and stops it after the last one.
#
# A test that needs it:
#   set_tests_properties(mytest PROPERTIES FIXTURES_REQUIRED jack
#                        ENVIRONMENT JACK_DEFAULT_SERVER=${TAMBORO_JACK_SERVER})
#
# The server name is unique per build directory, so that builds side by side (and their test
# runs) each have their own server.
string(MD5 _tamboro_jack_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${_tamboro_jack_hash}" 0 10 _tamboro_jack_hash)
set(TAMBORO_JACK_SERVER "tamboro-${_tamboro_jack_hash}" CACHE INTERNAL
    "Name of the private JACK server of this build's tests")
set(TAMBORO_JACK_SERVER "${TAMBORO_JACK_SERVER}")

set(_tamboro_jack_fixture ${PROJECT_SOURCE_DIR}/scripts/jack-fixture)
set(_tamboro_jack_pidfile ${CMAKE_BINARY_DIR}/jackd-${TAMBORO_JACK_SERVER}.pid)

add_test(NAME jack_server_start
         COMMAND ${_tamboro_jack_fixture} start ${TAMBORO_JACK_SERVER} ${_tamboro_jack_pidfile})
set_tests_properties(jack_server_start PROPERTIES FIXTURES_SETUP jack TIMEOUT 60
                     RESOURCE_LOCK tamboro_jack_server)
add_test(NAME jack_server_stop
         COMMAND ${_tamboro_jack_fixture} stop ${TAMBORO_JACK_SERVER} ${_tamboro_jack_pidfile})
set_tests_properties(jack_server_stop PROPERTIES FIXTURES_CLEANUP jack TIMEOUT 60
                     RESOURCE_LOCK tamboro_jack_server)
