# Installation layout and the Debian package (CPack). Included at the end of the top
# CMakeLists.txt, once every target exists. Tests, benchmarks, fuzz targets and the device
# simulator are never installed.
#
#   bin/qvxfinder, bin/qvxctl (when built)
#   libexec/qvxfinder/clearArp.sh                      the neighbour-cache helper
#   share/applications/<id>.desktop                    the launcher entry
#   share/icons/hicolor/{scalable,48x48,128x128,256x256}/apps/<id>.{svg,png}
#   share/metainfo/<id>.metainfo.xml                   AppStream metadata
#   share/man/man1/qvxfinder.1.gz, qvxctl.1.gz
#   share/doc/qvxfinder/{copyright,changelog.gz}    (the package name, lower case)

include(GNUInstallDirs)

# One id for the desktop entry, the icon and the AppStream component: the homepage's
# domain reversed.
set(QVX_APP_ID "org.example.qvxfinder.QvxFinder")
# The same address as the About box's (src/dialogs/frm04About.h).
set(QVX_HOMEPAGE_URL "https://qvxfinder.example.org")
set(QVX_MAINTAINER "QvxFinder developers <maintainers@qvxfinder.example.org>")
# Date of the release named by the project's version; bump both together.
set(QVX_RELEASE_DATE "2026-12-07")
set(QVX_RELEASE_DATE_RFC2822 "Mon, 07 Dec 2026 00:00:00 +0000")

set(QVX_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(QVX_DATA_DIR ${CMAKE_BINARY_DIR}/data)
set(QVX_DIR_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${QVX_DIR_PERMISSIONS})

# ---- Programs and the helper script ----
install(TARGETS qvxfinder RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET qvxctl)
  install(TARGETS qvxctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# Found by the program through helperScriptPath() (src/platform/HelperScriptPath.h).
install(PROGRAMS ${CMAKE_SOURCE_DIR}/src/app/clearArp.sh
        DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/qvxfinder)

# ---- Desktop integration ----
configure_file(${QVX_PACKAGING_DIR}/${QVX_APP_ID}.metainfo.xml.in
               ${QVX_DATA_DIR}/${QVX_APP_ID}.metainfo.xml @ONLY)
install(FILES ${QVX_PACKAGING_DIR}/${QVX_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QVX_DATA_DIR}/${QVX_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${QVX_PACKAGING_DIR}/${QVX_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The bitmap icons are drawn from the SVG at build time, when rsvg-convert (librsvg2-bin)
# is there; scripts/package makes sure it is.
set(QVX_DATA_OUTPUTS)
find_program(QVX_RSVG_CONVERT rsvg-convert)
if(QVX_RSVG_CONVERT)
  foreach(size 48 128 256)
    set(png ${QVX_DATA_DIR}/icons/${size}x${size}/${QVX_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${QVX_DATA_DIR}/icons/${size}x${size}
      COMMAND ${QVX_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${QVX_PACKAGING_DIR}/${QVX_APP_ID}.svg
      DEPENDS ${QVX_PACKAGING_DIR}/${QVX_APP_ID}.svg
      COMMENT "Drawing the ${size} pixel icon" VERBATIM)
    list(APPEND QVX_DATA_OUTPUTS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(STATUS "rsvg-convert not found: only the scalable icon is installed")
endif()

# ---- Manual pages, compressed as Debian wants them ----
find_program(QVX_GZIP gzip REQUIRED)
set(QVX_MAN_PAGES ${CMAKE_SOURCE_DIR}/docs/man/qvxfinder.1)
if(TARGET qvxctl AND EXISTS ${CMAKE_SOURCE_DIR}/docs/man/qvxctl.1)
  list(APPEND QVX_MAN_PAGES ${CMAKE_SOURCE_DIR}/docs/man/qvxctl.1)
endif()
foreach(page ${QVX_MAN_PAGES})
  get_filename_component(name ${page} NAME)
  set(gz ${QVX_DATA_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QVX_DATA_DIR}/man
    COMMAND sh -c "\"$1\" -9 -n -c \"$2\" > \"$3\"" sh ${QVX_GZIP} ${page} ${gz}
    DEPENDS ${page} VERBATIM)
  list(APPEND QVX_DATA_OUTPUTS ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# ---- Debian documentation: copyright and changelog ----
configure_file(${QVX_PACKAGING_DIR}/copyright.in ${QVX_DATA_DIR}/copyright @ONLY)
configure_file(${QVX_PACKAGING_DIR}/changelog.in ${QVX_DATA_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${QVX_DATA_DIR}/changelog.gz
  COMMAND sh -c "\"$1\" -9 -n -c \"$2\" > \"$3\"" sh ${QVX_GZIP} ${QVX_DATA_DIR}/changelog ${QVX_DATA_DIR}/changelog.gz
  DEPENDS ${QVX_DATA_DIR}/changelog VERBATIM)
list(APPEND QVX_DATA_OUTPUTS ${QVX_DATA_DIR}/changelog.gz)
install(FILES ${QVX_DATA_DIR}/copyright ${QVX_DATA_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qvxfinder)

add_custom_target(qvx_install_data ALL DEPENDS ${QVX_DATA_OUTPUTS})

# ---- The Debian package: scripts/package ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qvxfinder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "QvxFinder developers")
set(CPACK_PACKAGE_CONTACT ${QVX_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find and set up Ethernet-to-serial converters")
set(CPACK_PACKAGE_DESCRIPTION
    "QvxFinder is a desktop program that finds Ethernet-to-serial converters (RS485,\n"
    "RS422, RS232 or fibre behind an Ethernet port) on the local network and reads\n"
    "and writes their settings over UDP: network identity, ports, operating mode,\n"
    "serial port, source filter, bridge destinations and MAC address.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${QVX_DIR_PERMISSIONS})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QVX_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QVX_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# clearArp.sh flushes the neighbour cache with ip(8).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS iproute2)
include(CPack)

# Everything the installation takes, for scripts/package (which builds only this).
add_custom_target(qvx_installed_targets)
add_dependencies(qvx_installed_targets qvxfinder qvx_install_data)
if(TARGET qvxctl)
  add_dependencies(qvx_installed_targets qvxctl)
endif()
