# The Debian package, built by scripts/package with `cpack -G DEB` from a release build. Its files are the
# install rules' (cmake/AmploraInstall.cmake).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME amplora)
set(CPACK_PACKAGE_VENDOR "The Amplora developers")
set(CPACK_PACKAGE_CONTACT "The Amplora developers <amplora@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote control for a network AV receiver")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the binary links come from dpkg-shlibdeps. What it loads at run time it cannot see: the QML
# modules the windows import, the icon theme the symbols are drawn from and the SVG icon engine that draws
# them, the Secret Service client library (the token falls back to a file without it) and the Wayland
# platform plugin (X11's comes with Qt's GUI library).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qml6-module-qtquick, qml6-module-qtquick-controls, qml6-module-qtquick-layouts, qml6-module-qtquick-window, \
qml6-module-qtquick-shapes, qml6-module-qtquick-templates, qml6-module-qtqml-workerscript, adwaita-icon-theme, \
libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsecret-1-0, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-keyring")
# The body under the summary; CPack indents it and marks the empty line as a paragraph break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
Amplora controls a Yamaha network AV receiver (Yamaha Extended Control) on
the local network. Its main window is drawn as the receiver's front panel:
power, mute, the volume knob, inputs, sound programs, tone controls and what
is playing, for the main zone and zone 2. A tray panel, a volume cap that
every control respects, and a read-only mode come with it.

For home automation it serves a local HTTP API with a bearer token and named
scenes, offers its actions on the session bus and as a command line, and
runs headless on a machine without a desktop session.")

include(CPack)
