# The instrument window's toolkit-free rules: the name and type messages, the patch lookup.
list(APPEND TD7CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../InstrumentName.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PatchLookup.cpp
)
