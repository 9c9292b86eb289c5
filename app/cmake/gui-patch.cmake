# The patch editor on the main window: panels, bound controls made from the parameter
# table, owner-drawn lists, drum kit, name field, and the help window with its file.
list(APPEND TAMBORO_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../BoundControls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DrumKit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../Help.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../NotemapList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PatchEditor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PatchLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PatchList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PatchName.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PatchPanel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PatchTexts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PatchTriggerDefaults.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../../resources/help.qrc
)
