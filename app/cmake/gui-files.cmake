# The file commands of the main menu with their dialogs, the empty-patch dialog, and the
# default patch compiled in as the "iniPatch" resource.
list(APPEND TAMBORO_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../FileCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../FileDialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../QueryEmptyWindow.cpp
)

# The resource is written from the default patch's tables at build time, so the two
# cannot drift apart.
add_executable(make_inipatch ${CMAKE_CURRENT_LIST_DIR}/../MakeIniPatch.cpp)
target_link_libraries(make_inipatch PRIVATE td7core)
tamboro_warnings(make_inipatch)

set(inipatch_dir ${CMAKE_CURRENT_BINARY_DIR}/inipatch)
file(MAKE_DIRECTORY ${inipatch_dir})
# Written only when it differs, so a new configure does not rebuild the resource.
string(CONCAT inipatch_qrc
  "<!DOCTYPE RCC><RCC version=\"1.0\">\n"
  "<qresource prefix=\"/\">\n"
  "    <file alias=\"iniPatch\">iniPatch.bin</file>\n"
  "</qresource>\n"
  "</RCC>\n")
file(CONFIGURE OUTPUT ${inipatch_dir}/iniPatch.qrc CONTENT "${inipatch_qrc}")
add_custom_command(
  OUTPUT ${inipatch_dir}/iniPatch.bin
  COMMAND make_inipatch ${inipatch_dir}/iniPatch.bin
  DEPENDS make_inipatch
  COMMENT "Writing the default patch resource"
  VERBATIM)
add_custom_command(
  OUTPUT ${inipatch_dir}/qrc_iniPatch.cpp
  COMMAND Qt6::rcc --name iniPatch --output ${inipatch_dir}/qrc_iniPatch.cpp
          ${inipatch_dir}/iniPatch.qrc
  DEPENDS ${inipatch_dir}/iniPatch.qrc ${inipatch_dir}/iniPatch.bin
  COMMENT "Compiling the default patch resource"
  VERBATIM)
set_source_files_properties(${inipatch_dir}/qrc_iniPatch.cpp PROPERTIES
  GENERATED ON SKIP_AUTOGEN ON)
list(APPEND TAMBORO_GUI_SOURCES ${inipatch_dir}/qrc_iniPatch.cpp)
