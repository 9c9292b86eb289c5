# Everyday desktop use, toolkit-free: the command line, finding devices again by name,
# the port-loop watch and the kinds of dropped files.
list(APPEND TD7CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../CommandLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DeviceMemory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DroppedFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../LoopDetector.cpp
)
