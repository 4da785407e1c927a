# Installs the game (component Game): TARVS in bin/ (games/ in the Debian
# layout, as Debian keeps games), the generated data tree in
# share/tarvs/data, the desktop entry, the icons, the AppStream metainfo,
# the manual page, and the README and licence in share/doc/tarvs.
set(TARVS_APP_ID org.corvane.tarvs)
set(TARVS_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarvs)
if(CORVANE_DEBIAN_LAYOUT)
  set(TARVS_INSTALL_BINDIR games)
else()
  set(TARVS_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
endif()

# Where TARVS looks for its data: the installed share folder relative to
# the installed program, and the build's data tree, which serves only a
# program inside this build tree.
file(RELATIVE_PATH _tarvs_install_data ${CMAKE_INSTALL_PREFIX}/${TARVS_INSTALL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/tarvs/data)
set_source_files_properties(game/shell/DataDir.cpp PROPERTIES COMPILE_DEFINITIONS
  "TARVS_INSTALL_DATA=\"${_tarvs_install_data}\";TARVS_BUILD_TREE=\"${CMAKE_BINARY_DIR}\";TARVS_BUILD_DATA_DIR=\"${CMAKE_BINARY_DIR}/data\"")

# A program installed outside the system's library folders finds the
# engine beside it (../lib); in /usr no search path is recorded.
list(FIND CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES "${CMAKE_INSTALL_FULL_LIBDIR}" _tarvs_sys_lib)
if(_tarvs_sys_lib EQUAL -1)
  set_target_properties(TARVS PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()

install(TARGETS TARVS RUNTIME DESTINATION ${TARVS_INSTALL_BINDIR} COMPONENT Game)
# The data and the icons come from the asset tools.
if(CORVANE_BUILD_TOOLS)
  # The level's marks file serves only the replay tool.
  install(DIRECTORY ${CMAKE_BINARY_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvs/data
    COMPONENT Game PATTERN level0.marks EXCLUDE)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
    COMPONENT Game)
endif()
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
