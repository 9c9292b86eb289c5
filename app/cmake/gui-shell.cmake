# The editor's shell in Qt: main window frame, menus, status line, message boxes, error
# display, about, viewer, progress and device windows, and the port set-up they use.
list(APPEND TAMBORO_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../AboutWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../Application.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DevicesWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../ErrorDisplay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../EventWait.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../MainMenu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../MainWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../MessageBoxes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../PortSetup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../ProgressWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../ScreenCenter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../StatusLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../TransferCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../ViewSysexWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../Windows.cpp
)
