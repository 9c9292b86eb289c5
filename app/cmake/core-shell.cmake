# The editor's shell, toolkit-free: settings file, transfer sequencing.
list(APPEND TD7CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../IniFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../Settings.cpp
)
