# The instrument editor and the system window: the instrument list, the name fields, the
# patch lookup, and the dialog frame both windows share.
list(APPEND TAMBORO_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../InstrumentList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../InstrumentNameEdit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../InstrumentWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PatchLookupSwitch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../SetupDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../SystemWindow.cpp
)
