# `cpack -G DEB` (scripts/package): a Debian package of what `cmake --install` places, under
# /usr, its dependencies worked out by dpkg-shlibdeps from the programs themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamboro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tamboro developers")
# Staged with DESTDIR under /usr, whatever prefix the build folder installs to, so that the
# install step leaves the desktop's caches to dpkg's triggers instead of writing them into
# the package.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor and librarian for the Roland TD-7 drum module")
# The long description, in lines as the control file shows them ("." an empty line).
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tamboro fetches the memory of a Roland TD-7 percussion sound module over\n"
  "MIDI (the system block, 32 patches with their triggers and note maps, 512\n"
  "instruments), shows every parameter in knobs, lists and fields, sends each\n"
  "edit to the module at once and transmits whole blocks back. It keeps the\n"
  "module's memory on disk as setup files (.td7) and plain system-exclusive\n"
  "dumps (.syx).\n"
  ".\n"
  "The package holds the editor (tamboro), its librarian for the command line\n"
  "and scripts (tamboro-cli, with bash completion) and td7sim, a virtual TD-7\n"
  "on the ALSA sequencer or JACK for trying both without the hardware.")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tamboro developers <tamboro@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tamboro.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# tamboro_<version>_<arch>.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
