# `cmake --install`: the editor, the virtual TD-7, the command-line librarian, the help file,
# and what a Linux desktop needs to list the editor, show its icon and open setup files
# (.td7) with it on a double-click.
include(GNUInstallDirs)

set(TAMBORO_APP_ID org.example.tamboro.Tamboro)
set(tamboro_linux ${CMAKE_CURRENT_LIST_DIR}/../resources/linux)

install(TARGETS td7sim tamboro-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/tamboro.hlp
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tamboro)

# The editor and what the desktop needs of it, unless the Qt parts are turned off.
if(TAMBORO_GUI)
  install(TARGETS tamboro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${tamboro_linux}/${TAMBORO_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${tamboro_linux}/${TAMBORO_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${tamboro_linux}/${TAMBORO_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The setup file type: "*.td7", or a file that starts with the setup signature.
  install(FILES ${tamboro_linux}/${TAMBORO_APP_ID}.mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME ${TAMBORO_APP_ID}.xml)

  # A package's own triggers do this; a plain install into a prefix refreshes the caches
  # itself, so the file type and the entry work at once. Skipped when staging (DESTDIR).
  install(CODE "
    if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
      find_program(tamboro_update_mime update-mime-database)
      find_program(tamboro_update_desktop update-desktop-database)
      if(tamboro_update_mime)
        execute_process(COMMAND \${tamboro_update_mime}
                        \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/mime\"
                        OUTPUT_QUIET ERROR_QUIET)
      endif()
      if(tamboro_update_desktop)
        execute_process(COMMAND \${tamboro_update_desktop}
                        \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\"
                        OUTPUT_QUIET ERROR_QUIET)
      endif()
    endif()")
endif()
