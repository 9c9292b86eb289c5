# The editor's shell, toolkit-free: settings file, caption, version record, menu table and
# transfer sequencing.
list(APPEND TD7CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../Caption.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../IniFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../MenuTable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../Settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../Transfers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../Version.cpp
)

# The version record comes from the top-level build file ("1.2", build 16).
string(REPLACE "." ";" tamboro_version_parts "${TAMBORO_VERSION_TEXT}")
list(GET tamboro_version_parts 0 tamboro_version_major)
list(GET tamboro_version_parts 1 tamboro_version_minor)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/../Version.cpp PROPERTIES
  COMPILE_DEFINITIONS
  "TAMBORO_VERSION_MAJOR=${tamboro_version_major};TAMBORO_VERSION_MINOR=${tamboro_version_minor};TAMBORO_BUILD_NUMBER=${TAMBORO_BUILD_NUMBER}")
