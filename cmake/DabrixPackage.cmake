# `make package`: the Debian package, built by CPack from the install rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dabrix)
set(CPACK_PACKAGE_VENDOR "Dabrix Messtechnik GmbH")
set(CPACK_PACKAGE_CONTACT "Dabrix Messtechnik GmbH <info@dabrix.example>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bring readings from hand-held measuring gauges into a text editor")
# The extended description below the summary line, each line as Debian's control file
# wants it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Dabrix receives what hand-held measuring gauges send, over a COM port,
USB, infrared or Bluetooth, and inserts every reading as a line of text
into a plain-text editor, where it can be edited, saved and printed.
.
The user interface and the user manual exist in English, German and
French. A gauge simulator, dabrix-gauge-sim, plays a gauge on a
pseudo-terminal for trying the program without hardware.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE "${DABRIX_PACKAGE_RELEASE}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.dabrix.example/")
# The libraries the programs link; Qt's plugins (the X11 and Wayland platforms, SVG
# images) and translations are loaded at run time, so no library names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, qt6-translations-l10n")
# The help documents and the mail link open with the desktop's programs; a Wayland
# session without Qt's Wayland plugin runs the window through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland")
include(CPack)
