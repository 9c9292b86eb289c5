# Everyday desktop use in Qt: the program's icon, files dropped on the main window, and
# the port link that watches for the editor's own messages coming back.
list(APPEND TAMBORO_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../AppIcon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DropHandler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../WatchedLink.cpp
)
