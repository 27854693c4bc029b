# What an installation adds besides the programs (their install rules live with their targets),
# and the Debian package made of it all (scripts/package-check builds and checks it):
#
#   cmake --preset package && cmake --build --preset package
#   cmake --install build/package --prefix /usr/local
#   cd build/package && cpack
#
# Paths follow GNUInstallDirs. The program finds its help as <exe dir>/../share/zelmorin/help,
# which is where CMAKE_INSTALL_DATADIR puts it under any prefix, and where the build folder has
# a copy too (below).

set(_zelmorin_resources ${PROJECT_SOURCE_DIR}/src/resources)
set(_zelmorin_id example.quillmoor.Zelmorin)
set(_zelmorin_release 1)
find_program(GZIP_EXECUTABLE gzip REQUIRED)

# Desktop entry and AppStream metadata share one id, so that software centres join them.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${_zelmorin_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${_zelmorin_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The desktop entry's "Icon=zelmorin", at every size drawn, plus the scalable one.
foreach(_size 16 32 48 64)
  install(FILES ${_zelmorin_resources}/icons/128-${_size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
          RENAME zelmorin.png)
endforeach()
install(FILES ${_zelmorin_resources}/icons/zelmorin.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The help opens in the desktop's browser, so it ships as files too. Its pages show pictures
# through "../icons/", as they do in the source tree and in the compiled-in resources.
set(_zelmorin_help_icons
    ${_zelmorin_resources}/icons/128-32.png
    ${_zelmorin_resources}/icons/133.png
    ${_zelmorin_resources}/icons/134.png)
install(DIRECTORY ${_zelmorin_resources}/help/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zelmorin/help
        FILES_MATCHING PATTERN "*.html" PATTERN "*.css")
install(FILES ${_zelmorin_help_icons} DESTINATION ${CMAKE_INSTALL_DATADIR}/zelmorin/icons)

# The same files in the build folder, one level above each folder that holds a program or test
# which opens the help (BUILD/src/monitor/zelmorin looks in BUILD/src/share/zelmorin), so that
# it finds them exactly as an installed program does.
if(NOT ZELMORIN_CORE_ONLY)
  file(GLOB _zelmorin_help_pages CONFIGURE_DEPENDS ${_zelmorin_resources}/help/*.html ${_zelmorin_resources}/help/*.css)
  set(_zelmorin_staged_pages)
  foreach(_target zelmorin zelmorin_monitor_gui_tests)
    if(NOT TARGET ${_target})
      continue()
    endif()
    get_target_property(_dir ${_target} BINARY_DIR)
    get_filename_component(_staged ${_dir}/../share/zelmorin ABSOLUTE)
    if(${_staged}/help/index.html IN_LIST _zelmorin_staged_pages)
      continue()
    endif()
    add_custom_command(
      OUTPUT ${_staged}/help/index.html
      # Only the folders copied here: the translations beside them come from lrelease, which
      # may run before this step.
      COMMAND ${CMAKE_COMMAND} -E rm -rf ${_staged}/help ${_staged}/icons
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_staged}/help ${_staged}/icons
      COMMAND ${CMAKE_COMMAND} -E copy ${_zelmorin_help_pages} ${_staged}/help
      COMMAND ${CMAKE_COMMAND} -E copy ${_zelmorin_help_icons} ${_staged}/icons
      DEPENDS ${_zelmorin_help_pages} ${_zelmorin_help_icons}
      COMMENT "Copying the help pages beside ${_target}")
    list(APPEND _zelmorin_staged_pages ${_staged}/help/index.html)
  endforeach()
  add_custom_target(zelmorin_help_files ALL DEPENDS ${_zelmorin_staged_pages})
  add_dependencies(zelmorin_monitor zelmorin_help_files)
endif()

# zelmorin-report's bash completion, where bash-completion loads it on first use.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zelmorin-report.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME zelmorin-report)

# Manual pages and the package's changelog, compressed as Debian wants them: gzip -9 without a
# time stamp, so that the same sources give the same package. The pages name this version.
set(_zelmorin_gzipped)
foreach(_page zelmorin.1 zelmorin-report.1)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${_page}.in ${PROJECT_BINARY_DIR}/man/${_page} @ONLY)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/man/${_page}.gz
    COMMAND ${GZIP_EXECUTABLE} -9nc ${PROJECT_BINARY_DIR}/man/${_page} > ${PROJECT_BINARY_DIR}/man/${_page}.gz
    DEPENDS ${PROJECT_BINARY_DIR}/man/${_page}
    VERBATIM)
  list(APPEND _zelmorin_gzipped ${PROJECT_BINARY_DIR}/man/${_page}.gz)
  install(FILES ${PROJECT_BINARY_DIR}/man/${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# The changelog's newest entry must be the version being packaged; a stale one would describe
# another release.
file(STRINGS ${PROJECT_SOURCE_DIR}/debian/changelog _zelmorin_changelog_head LIMIT_COUNT 1)
if(NOT _zelmorin_changelog_head MATCHES "^zelmorin \\(${PROJECT_VERSION}-${_zelmorin_release}\\) ")
  message(FATAL_ERROR "debian/changelog does not start with version ${PROJECT_VERSION}-${_zelmorin_release}: "
                      "${_zelmorin_changelog_head}")
endif()
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.Debian.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
  COMMAND ${GZIP_EXECUTABLE} -9nc ${PROJECT_SOURCE_DIR}/debian/changelog > ${PROJECT_BINARY_DIR}/doc/changelog.Debian.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/debian/changelog
  VERBATIM)
list(APPEND _zelmorin_gzipped ${PROJECT_BINARY_DIR}/doc/changelog.Debian.gz)
add_custom_target(zelmorin_packaging_docs ALL DEPENDS ${_zelmorin_gzipped})
install(FILES ${PROJECT_SOURCE_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/doc/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zelmorin)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zelmorin.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME zelmorin)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelmorin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillmoor)
set(CPACK_PACKAGE_CONTACT "Quillmoor <zelmorin@quillmoor.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "How long you have been on line")
# Line breaks are kept in the package's long description, which wants lines under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION [=[
Zelmorin watches the machine's dial-up and network connections and shows
the running one's name and time in a small window and in the tray.
It keeps a permanent plain-text log of every connection, with a 30-second
checkpoint so that a crash loses almost nothing, and its History window
browses, edits, prints and exports that log by month and day, with totals
and a chart of each day's or month's use. A time allowance per day, week or
month shows the time left and the pace in the tray tip and warns at a share
and when used up. zelmorin-report reads the same log on the command line.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${_zelmorin_release})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillmoor <zelmorin@quillmoor.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.quillmoor.example/zelmorin)
# 0644/0755 on the control files, as dpkg-deb wants them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Library dependencies come from dpkg-shlibdeps (package dpkg-dev). Qt loads its platform
# plugins at run time, where dpkg-shlibdeps cannot see them: without qt6-qpa-plugins there is
# no window and no tray.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# xdg-open shows the help; Qt's own translations name the standard buttons in the desktop's
# language; qt6-wayland gives the window a native place on Wayland desktops (else XWayland or
# nothing); the connection services are whichever the machine uses.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "network-manager | ppp")

include(CPack)
