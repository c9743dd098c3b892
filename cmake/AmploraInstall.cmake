# What `cmake --install` places: the executable and what makes it a citizen of the desktop (desktop entry,
# AppStream data, icons, the headless user service, the manual page, bash completion). The Debian package
# (cmake/AmploraPackage.cmake) is made of exactly these files; scripts/check-install compares them with
# resources/linux/install-manifest.txt and runs the validators on them.

include(GNUInstallDirs)

set(amplora_linux "${PROJECT_SOURCE_DIR}/resources/linux")
set(amplora_generated "${PROJECT_BINARY_DIR}/install-data")
set(AMPLORA_APP_ID org.amplora.Amplora)

configure_file("${amplora_linux}/amplora.1.in" "${amplora_generated}/amplora.1" @ONLY)

# Manual pages and changelogs are read compressed; Debian's policy asks for gzip -9 without a time stamp.
find_program(AMPLORA_GZIP gzip REQUIRED)
set(amplora_compressed)
foreach(pair IN ITEMS "${amplora_generated}/amplora.1|amplora.1.gz" "${amplora_linux}/debian/changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 name)
  add_custom_command(OUTPUT "${amplora_generated}/${name}"
    COMMAND "${AMPLORA_GZIP}" -9nc "${source}" > "${amplora_generated}/${name}"
    DEPENDS "${source}" VERBATIM)
  list(APPEND amplora_compressed "${amplora_generated}/${name}")
endforeach()
add_custom_target(amplora_install_data ALL DEPENDS ${amplora_compressed})

install(TARGETS amplora RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${amplora_linux}/${AMPLORA_APP_ID}.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${amplora_linux}/${AMPLORA_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${amplora_linux}/icons/${AMPLORA_APP_ID}.svg"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
install(FILES "${amplora_linux}/icons/${AMPLORA_APP_ID}-symbolic.svg"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/symbolic/apps")
# The unit names the binary by its full path, so it is written when the prefix is known: `cmake --install
# --prefix` chooses it only then. User units live under the prefix's lib/ whatever the architecture's library
# folder is.
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
  set(amplora_bindir "${CMAKE_INSTALL_BINDIR}")
else()
  set(amplora_bindir "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}")
endif()
install(CODE "
  set(AMPLORA_INSTALL_FULL_BINDIR \"${amplora_bindir}\")
  configure_file(\"${amplora_linux}/amplora-headless.service.in\"
    \"${amplora_generated}/amplora-headless.service\" @ONLY)
")
install(FILES "${amplora_generated}/amplora-headless.service" DESTINATION lib/systemd/user)
install(FILES "${amplora_generated}/amplora.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${amplora_linux}/completion/amplora" DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")
# Named after the package, as Debian expects, not after the project.
install(FILES "${amplora_linux}/debian/copyright" "${amplora_generated}/changelog.gz"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/amplora")
