# Install rules, the Debian package and their tests.
#
# `cmake --install build --prefix PREFIX` (DESTDIR honoured) lays out:
#   PREFIX/bin/quorvane-map
#   PREFIX/bin/quorvane                                   with the window
#   PREFIX/share/quorvane/Help_Quorvane.txt              the text "?" opens
#   PREFIX/share/applications/quorvane.desktop
#   PREFIX/share/icons/hicolor/scalable/apps/quorvane.svg
#   PREFIX/share/icons/hicolor/{48x48,256x256}/apps/quorvane.png
# `cpack -G DEB` in the build folder packs the same under /usr.
include(GNUInstallDirs)

install(TARGETS quorvane-map RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(TARGET quorvane)
  install(TARGETS quorvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/Help_Quorvane.txt
    DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvane)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvane.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvane.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 48 256)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvane-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME quorvane.png)
  endforeach()
endif()

# The window looks for its installed help text relative to its own folder,
# so that any prefix, a DESTDIR staging folder and the package all work.
file(RELATIVE_PATH QUORVANE_DATA_FROM_BIN
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/quorvane)
target_compile_definitions(quorvane_setup PRIVATE QUORVANE_DATA_FROM_BIN="${QUORVANE_DATA_FROM_BIN}/")

# The Debian package. dpkg-shlibdeps derives the library dependencies from
# the installed programs, so a library linked later needs no entry here.
# Qt loads its platform plugins (xcb, wayland, offscreen) at run time, which
# dpkg-shlibdeps cannot see: qt6-qpa-plugins is named by hand.
set(QUORVANE_PACKAGE_CONTACT "Quorvane developers <quorvane@example.org>"
  CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "Quorvane developers")
set(CPACK_PACKAGE_CONTACT "${QUORVANE_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "short-read mapper with mismatches, command line and desktop window")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Quorvane finds, for every read of a reads file, each place in a genome
where the read lies with at most 0 to 3 mismatching letters, on both
strands of a circular genome, and writes tab-separated result files and a
run log. It is meant for small and medium genomes: phages, bacteria,
organelles, single chromosomes.
.
The package holds the command line quorvane-map and the desktop window
quorvane.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET quorvane)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
# xdg-open opens the run log and the help text; the window asks for Arial,
# whose metrics Liberation Sans shares.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-liberation")
include(CPack)

# The install tree's file list; the package's fields and content; and,
# only when asked for (root, QUORVANE_TEST_DPKG=1), dpkg -i and -r of it.
if(BUILD_TESTING)
  if(TARGET quorvane)
    set(QUORVANE_INSTALL_GUI 1)
  else()
    set(QUORVANE_INSTALL_GUI 0)
  endif()
  add_test(NAME install_test
    COMMAND ${PROJECT_SOURCE_DIR}/tests/install/install_test.sh
      ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR} ${QUORVANE_INSTALL_GUI} ${PROJECT_VERSION})
  foreach(mode contents dpkg)
    add_test(NAME package_${mode}_test
      COMMAND ${PROJECT_SOURCE_DIR}/tests/install/package_test.sh
        ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR} ${QUORVANE_INSTALL_GUI} ${PROJECT_VERSION} ${mode})
  endforeach()
  set_tests_properties(install_test package_contents_test package_dpkg_test PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
