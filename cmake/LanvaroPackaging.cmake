# SPDX-License-Identifier: GPL-3.0-or-later
# `make package`: one Debian package of what `cmake --install` installs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lanvaro)
# All four parts: the default drops the last one.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lanvaro")
set(CPACK_PACKAGE_CONTACT "${LANVARO_CONTACT_NAME} <${LANVARO_CONTACT_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find network cameras and similar devices on the local network")
# The extended description in lines Debian's 80 columns hold.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Lanvaro finds network cameras, video recorders and similar appliances on"
  "the local network by a UDP broadcast query, a relay host, a UPnP search,"
  "an ONVIF (WS-Discovery) search or a sweep of address ranges, lists them in"
  "one table, shows their details, opens their web pages and sends them new"
  "network settings."
  "The package holds the desktop program lanvaro, lanvaro-cli, which runs the"
  "same searches from a terminal, and lanvaro-relay, a service (installed, not"
  "enabled) that makes a remote site's devices searchable through a relay.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plugins are loaded at run time, so shlibdeps cannot see them: the SVG
# plugins draw the window's icon.
if(LANVARO_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
endif()
include(CPack)
