# The TD-7 data map: collections, addresses, requests, decoders, the parameter table and
# retargeting.
list(APPEND TD7CORE_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/Td7Map.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Td7Collections.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Td7Decode.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/PresentFlags.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ParameterTable.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Retarget.cpp
)
