# Debian packages through CPack (`cpack -G DEB` in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr -DCORVANE_DEBIAN_LAYOUT=ON; scripts/package.sh
# does it all): one package per install component.
#   libcorvaneengine1     the shared library (component Engine)
#   libcorvaneengine-dev  header, CMake package, pkg-config file (Development)
#   tarvs                 the game, its data, desktop files, manual page (Game)
# Each carries a copyright file and the Debian changelog; dependencies on
# system libraries are computed by dpkg-shlibdeps.

set(CORVANE_DEB_RELEASE 1)
set(CORVANE_DEB_VERSION ${PROJECT_VERSION}-${CORVANE_DEB_RELEASE})
set(CORVANE_MAINTAINER "Corvane developers <developers@corvane.org>")

# The changelog's newest entry must be this very version: the header's
# numbers are the one source, the changelog follows them.
file(STRINGS packaging/changelog _changelog_top LIMIT_COUNT 1)
if(NOT _changelog_top MATCHES "^corvane \\(${CORVANE_DEB_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog must start with an entry for ${CORVANE_DEB_VERSION}"
                      " (found: ${_changelog_top})")
endif()

set(CORVANE_DEB_PACKAGES libcorvaneengine1 libcorvaneengine-dev)
set(CORVANE_DEB_COMPONENTS Engine Development)
if(CORVANE_BUILD_GAME AND CORVANE_BUILD_TOOLS)
  list(APPEND CORVANE_DEB_PACKAGES tarvs)
  list(APPEND CORVANE_DEB_COMPONENTS Game)
endif()

if(CORVANE_DEBIAN_LAYOUT)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
    COMMAND gzip -9nc ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog
            > ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog
    COMMENT "Compressing the Debian changelog")
  add_custom_target(corvane_deb_changelog ALL
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
  foreach(_pkg _comp IN ZIP_LISTS CORVANE_DEB_PACKAGES CORVANE_DEB_COMPONENTS)
    install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
      DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${_pkg} COMPONENT ${_comp})
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${CORVANE_MAINTAINER}")
set(CPACK_PACKAGE_VENDOR "Corvane developers")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${CORVANE_DEB_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CORVANE_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SOURCE corvane)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds the engine in the build tree; the dependency on its
# package is written out below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})

set(CPACK_DEBIAN_ENGINE_PACKAGE_NAME libcorvaneengine1)
set(CPACK_DEBIAN_ENGINE_PACKAGE_SECTION libs)
# The linker cache is refreshed through dpkg's ldconfig trigger; the
# maintainer scripts given here replace the ldconfig calls CPack would add.
set(CPACK_DEBIAN_ENGINE_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/libcorvaneengine1/triggers
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/libcorvaneengine1/postinst
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/libcorvaneengine1/postrm)
set(CPACK_DEBIAN_ENGINE_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# What both engine packages say of the engine, before what each one holds.
set(CORVANE_DEB_ABOUT
  "CorvaneEngine runs a game's window, its fixed 20 ms tick and its frames on
SDL2, OpenGL and OpenAL Soft. It reads TGA and PNG textures, keyframe-animated
models, WAV sounds and bitmap fonts, takes keyboards and gamepads through
bindings, and offers sprites, a particle system, view-frustum tests, mouse
picking, simple menus, screenshots and a log.")
set(CPACK_DEBIAN_ENGINE_DESCRIPTION
  "small OpenGL game engine - shared library
${CORVANE_DEB_ABOUT}
.
This package contains the shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libcorvaneengine-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "libcorvaneengine1 (= ${CORVANE_DEB_VERSION}), libgl-dev, libglu1-mesa-dev | libglu-dev")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
  "small OpenGL game engine - development files
${CORVANE_DEB_ABOUT}
.
This package contains the header, the CMake package (find_package
CorvaneEngine, target Corvane::Engine) and the pkg-config file
corvaneengine needed to build games on the engine.")

set(CPACK_DEBIAN_GAME_PACKAGE_NAME tarvs)
set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
set(CPACK_DEBIAN_GAME_PACKAGE_DEPENDS "libcorvaneengine1 (= ${CORVANE_DEB_VERSION})")
set(CPACK_DEBIAN_GAME_DESCRIPTION
  "side-on 3D arcade shooter
Walk left and right across platforms, jump, and fire one of three weapons
along your row. Spiders, demons, soldiers and mutants patrol the level and
attack by touch or by shooting; pickups give weapons, ammunition, health
and coloured key cards that open the doors of the same colour.
.
The game runs full screen or in a window, scales its picture to any size,
and keeps its log and screenshots in the player's own folders.")

include(CPack)
