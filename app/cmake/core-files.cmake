# Files: setup and dump files, safe file replacement, the default patch, patch slots.
list(APPEND TD7CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../FileIo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../RecordRun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DumpFiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../SetupFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DefaultPatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PatchSlots.cpp
)
