# `cmake --install`: the editor, the virtual TD-7, the command-line librarian, the help file,
# and what a Linux desktop needs to list the editor, show its icon and open setup files
# (.td7) with it on a double-click.
include(GNUInstallDirs)

set(TAMBORO_APP_ID org.example.tamboro.Tamboro)
set(tamboro_linux ${CMAKE_CURRENT_LIST_DIR}/../resources/linux)

install(TARGETS td7sim tamboro-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/tamboro.hlp
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tamboro)
# The built-in grooves, found beside the help file.
install(DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/../resources/grooves
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tamboro FILES_MATCHING PATTERN "*.groove")

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

# Manual pages, compressed as man-db reads them and Debian wants them (gzip -9, no name or
# time stamp inside, so the same source gives the same bytes).
set(tamboro_man_pages tamboro-cli td7sim)
if(TAMBORO_GUI)
  list(APPEND tamboro_man_pages tamboro)
endif()
set(tamboro_man_gz "")
foreach(page IN LISTS tamboro_man_pages)
  set(source ${CMAKE_CURRENT_LIST_DIR}/../resources/man/${page}.1)
  set(packed ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(
    OUTPUT ${packed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND sh -c "gzip -9n -c \"$0\" >\"$1\"" ${source} ${packed}
    DEPENDS ${source}
    COMMENT "Compressing the manual page ${page}(1)"
    VERBATIM)
  list(APPEND tamboro_man_gz ${packed})
endforeach()
add_custom_target(manpages ALL DEPENDS ${tamboro_man_gz})
install(FILES ${tamboro_man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Tab completion of tamboro-cli's commands, options, devices and files, where
# bash-completion looks for it when tamboro-cli is first completed.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/bash-completion/tamboro-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# What every Debian package carries in its documentation folder: the copyright and the
# changes (compressed like the manual pages).
set(tamboro_changelog_gz ${PROJECT_BINARY_DIR}/doc/changelog.gz)
add_custom_command(
  OUTPUT ${tamboro_changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
  COMMAND sh -c "gzip -9n -c \"$0\" >\"$1\""
          ${CMAKE_CURRENT_LIST_DIR}/../resources/debian/changelog ${tamboro_changelog_gz}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../resources/debian/changelog
  COMMENT "Compressing the change log"
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${tamboro_changelog_gz})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/debian/copyright ${tamboro_changelog_gz}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tamboro)
