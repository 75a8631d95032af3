# Installation on a Linux desktop and the Debian package.
#
#   cmake --install <build> --prefix /usr/local      # or DESTDIR=... for staging
#   cd <build> && cpack -G DEB                       # quorvane_<version>_<arch>.deb
#
# Installed: the programs (those that are built), the udev rule that gives the
# logged-in user access to the receiver, the desktop entry and icon, and the
# stub driver's sources with its INF for Windows.
include(GNUInstallDirs)

get_filename_component(QUORVANE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
include(${QUORVANE_ROOT}/src/drivers/UsbIds.cmake)
quorvane_receiver_ids()

set(QUORVANE_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
configure_file(${QUORVANE_ROOT}/packaging/60-quorvane.rules.in
  ${QUORVANE_PACKAGING_OUT}/60-quorvane.rules @ONLY)

# Programs.
foreach(quorvane_program quorvane quorvane-cli)
  if(TARGET ${quorvane_program})
    install(TARGETS ${quorvane_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# udev reads rules from <prefix>/lib/udev/rules.d for /usr and /usr/local
# (never from the multiarch library folder), so the path is fixed.
install(FILES ${QUORVANE_PACKAGING_OUT}/60-quorvane.rules DESTINATION lib/udev/rules.d)

install(FILES ${QUORVANE_ROOT}/packaging/quorvane.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
if(EXISTS ${QUORVANE_ROOT}/res/quorvane.svg)
  install(FILES ${QUORVANE_ROOT}/res/quorvane.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# The stub driver for Windows, as sources with its INF and version resource.
set(QUORVANE_DRIVER_DEST ${CMAKE_INSTALL_DATADIR}/quorvane/driver)
get_property(quorvane_driver_generated GLOBAL PROPERTY QUORVANE_DRIVER_GENERATED)
if(quorvane_driver_generated)
  install(FILES ${quorvane_driver_generated} DESTINATION ${QUORVANE_DRIVER_DEST})
endif()
install(DIRECTORY ${QUORVANE_ROOT}/src/drivers/veltrausbst ${QUORVANE_ROOT}/src/drivers/kernel
  DESTINATION ${QUORVANE_DRIVER_DEST}
  FILES_MATCHING PATTERN "*.c" PATTERN "*.h")

# Debian package.
execute_process(COMMAND dpkg --print-architecture
  OUTPUT_VARIABLE QUORVANE_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT QUORVANE_DEB_ARCH)
  set(QUORVANE_DEB_ARCH amd64)
endif()
configure_file(${QUORVANE_ROOT}/packaging/postinst.in ${QUORVANE_PACKAGING_OUT}/deb/postinst @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                   WORLD_READ WORLD_EXECUTE)
configure_file(${QUORVANE_ROOT}/packaging/postrm.in ${QUORVANE_PACKAGING_OUT}/deb/postrm @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                   WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorvane authors")
set(CPACK_PACKAGE_CONTACT "The Quorvane authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "file manager for a digital TV receiver on USB")
set(CPACK_PACKAGE_DESCRIPTION "\
Quorvane shows this computer's folders and the receiver's disk side by side
and copies files and whole folder trees between them. A udev rule gives the
user logged in at the desktop access to the receiver, so no root is needed.
The sources and INF of the receiver's stub driver for Windows are included.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME quorvane)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Quorvane authors")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${QUORVANE_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME "quorvane_${PROJECT_VERSION}_${QUORVANE_DEB_ARCH}.deb")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${QUORVANE_PACKAGING_OUT}/deb/postinst ${QUORVANE_PACKAGING_OUT}/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# "cpack --config CPackSourceConfig.cmake" makes a source tarball without build trees.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build[^/]*/" "/\\.ci/" "\\.swp$")
include(CPack)
