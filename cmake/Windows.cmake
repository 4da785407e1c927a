# Windows-only parts of the build (MinGW-w64, native or cross): the game as
# a GUI program with its icon and version resource, the engine DLL's
# version resource, and the data tree and icon taken from a build for the
# build machine when the asset tools are not built here (a cross build:
# the tools run where they are built, and the Windows package ships the
# data tree they make, byte for byte).
#
# CORVANE_HOST_BUILD: a build of this tree for the build machine (its
# data/ and icons/tarvs.ico are used when CORVANE_BUILD_TOOLS is off).
set(CORVANE_HOST_BUILD "" CACHE PATH
  "A native build of this tree whose data/ and icons/ a build without the asset tools uses")

if(CORVANE_BUILD_TOOLS)
  set(CORVANE_WINDOWS_ICON ${CMAKE_BINARY_DIR}/icons/tarvs.ico)
elseif(CORVANE_HOST_BUILD)
  set(CORVANE_WINDOWS_ICON ${CORVANE_HOST_BUILD}/icons/tarvs.ico)
  if(NOT EXISTS ${CORVANE_HOST_BUILD}/data/maps/level0.map)
    message(FATAL_ERROR "CORVANE_HOST_BUILD=${CORVANE_HOST_BUILD} holds no built data tree")
  endif()
  # The game and the tests find the data where a build with the tools has it.
  if(NOT EXISTS ${CMAKE_BINARY_DIR}/data)
    file(CREATE_LINK ${CORVANE_HOST_BUILD}/data ${CMAKE_BINARY_DIR}/data SYMBOLIC)
  endif()
else()
  set(CORVANE_WINDOWS_ICON "")
endif()

# One version resource per binary, from packaging/windows/version.rc.in.
function(corvane_version_resource target filename description product filetype icon)
  set(CORVANE_RC_FILENAME ${filename})
  set(CORVANE_RC_NAME ${target})
  set(CORVANE_RC_DESCRIPTION ${description})
  set(CORVANE_RC_PRODUCT ${product})
  set(CORVANE_RC_FILETYPE ${filetype})
  if(icon)
    set(CORVANE_RC_ICON "1 ICON \"${icon}\"")
  else()
    set(CORVANE_RC_ICON "")
  endif()
  set(rc ${CMAKE_BINARY_DIR}/packaging/windows/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(icon)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${icon})
  endif()
endfunction()

corvane_version_resource(CorvaneEngine CorvaneEngine.dll "CorvaneEngine game engine"
  "CorvaneEngine" VFT_DLL "")
# The DLL is CorvaneEngine.dll, its import library libCorvaneEngine.dll.a.
set_target_properties(CorvaneEngine PROPERTIES PREFIX "" IMPORT_PREFIX "lib")

if(TARGET TARVS)
  # No console window beside the game; main() stays the entry point.
  set_target_properties(TARVS PROPERTIES WIN32_EXECUTABLE ON)
  corvane_version_resource(TARVS TARVS.exe "TARVS arcade shooter" "TARVS" VFT_APP
    "${CORVANE_WINDOWS_ICON}")
  if(CORVANE_BUILD_TOOLS)
    add_dependencies(TARVS data)
  endif()
endif()
