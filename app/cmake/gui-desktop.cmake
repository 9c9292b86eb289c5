# Everyday desktop use in Qt: the program's icon and files dropped on the main window.
list(APPEND TAMBORO_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../AppIcon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DropHandler.cpp
)
