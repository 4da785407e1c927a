# Installs the game (component Game): TARVS in bin/, the generated data tree
# in share/tarvs/data (found by TARVS relative to itself), the desktop entry,
# the icons, the AppStream metainfo, the manual page, and the README and
# licence in share/doc/tarvs.
set(TARVS_APP_ID org.corvane.tarvs)
set(TARVS_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarvs)

# A program installed outside the system's library folders finds the
# engine beside it (../lib); in /usr no search path is recorded.
list(FIND CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES "${CMAKE_INSTALL_FULL_LIBDIR}" _tarvs_sys_lib)
if(_tarvs_sys_lib EQUAL -1)
  set_target_properties(TARVS PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()

install(TARGETS TARVS RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Game)
# The level's marks file serves only the replay tool.
install(DIRECTORY ${CMAKE_BINARY_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvs/data
  COMPONENT Game PATTERN level0.marks EXCLUDE)
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
  COMPONENT Game)
install(FILES packaging/tarvs.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  RENAME ${TARVS_APP_ID}.desktop COMPONENT Game)
configure_file(packaging/tarvs.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/packaging/${TARVS_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${TARVS_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT Game)

# The manual page, compressed as the manual readers expect it (-n: no
# time stamp, so the same page gives the same bytes).
configure_file(packaging/TARVS.6.in ${CMAKE_BINARY_DIR}/packaging/TARVS.6 @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/TARVS.6.gz
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/packaging/TARVS.6 > ${CMAKE_BINARY_DIR}/packaging/TARVS.6.gz
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/TARVS.6
  COMMENT "Compressing the manual page")
add_custom_target(tarvs_manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/TARVS.6.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/TARVS.6.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT Game)

install(FILES README.md DESTINATION ${TARVS_DOC_DIR} COMPONENT Game)
# A Debian package carries the licence in its copyright file instead.
if(NOT CORVANE_DEBIAN_LAYOUT)
  install(FILES LICENSE DESTINATION ${TARVS_DOC_DIR} COMPONENT Game)
endif()
