# Installs the build into a scratch prefix and checks what a desktop needs is there and
# valid: cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(id org.example.tamboro.Tamboro)
foreach(path
    bin/tamboro bin/td7sim share/tamboro/tamboro.hlp share/tamboro/grooves/rock.groove
    share/applications/${id}.desktop
    share/icons/hicolor/scalable/apps/${id}.svg
    share/metainfo/${id}.metainfo.xml
    share/mime/packages/${id}.xml
    share/man/man1/tamboro.1.gz share/man/man1/tamboro-cli.1.gz share/man/man1/td7sim.1.gz
    share/bash-completion/completions/tamboro-cli)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# A double-click on a setup opens the editor: the entry takes the setup type, the type
# takes the extension.
file(READ ${PREFIX}/share/applications/${id}.desktop entry)
if(NOT entry MATCHES "MimeType=application/x-tamboro-setup;" OR NOT entry MATCHES "Exec=tamboro %f")
  message(FATAL_ERROR "the desktop entry does not open setup files")
endif()
file(READ ${PREFIX}/share/mime/packages/${id}.xml types)
if(NOT types MATCHES "type=\"application/x-tamboro-setup\"" OR NOT types MATCHES "pattern=\"\\*\\.td7\"")
  message(FATAL_ERROR "the setup file type does not name *.td7")
endif()

# The validators, where the machine has them.
find_program(desktop_validate desktop-file-validate)
if(desktop_validate)
  execute_process(COMMAND ${desktop_validate} ${PREFIX}/share/applications/${id}.desktop
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate refused the entry")
  endif()
endif()
find_program(appstream appstreamcli)
if(appstream)
  execute_process(COMMAND ${appstream} validate --no-net
                          ${PREFIX}/share/metainfo/${id}.metainfo.xml
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "appstreamcli refused the metadata")
  endif()
endif()
file(REMOVE_RECURSE ${PREFIX})
