# The Debian package (`cpack -G DEB` in a build configured with the "package"
# preset: Release, prefix /usr): one package, corvex, holding everything the
# installation rules install. Its dependencies come from dpkg-shlibdeps, its
# version is the project's. The maintainer scripts register the log module in
# the system-wide registry store at installation and take it out at removal.
set(CORVEX_PACKAGE_MAINTAINER "Corvex Flow Instruments <support@corvex-flow.example>"
    CACHE STRING "Maintainer of the Debian package: name <address>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvex)
set(CPACK_PACKAGE_VENDOR "Corvex Flow Instruments")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${CORVEX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read, show and export the data logs of field flow instruments")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Corvex reads the data logs that field flow and process instruments record\n"
  "(the PC log and the two layouts of the portable meter), shows them, and\n"
  "exports them as delimited text or workbooks or converts them.\n"
  ".\n"
  "The package holds the log module libCorvex.so with its header, pkg-config\n"
  "and CMake files, the command-line tool corvex, corvex-regsvr, and the Qt\n"
  "viewer CorvexViewer with a desktop entry and a MIME type for the three log\n"
  "formats.")
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}")  # replaced by the Debian name below
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)             # corvex_1.0.0.7_amd64.deb
# Install with DESTDIR under the configured prefix, so that the files the
# package holds are exactly those of `cmake --install`.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The viewer needs a Qt platform plugin, which no library names.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
if(CORVEX_BUILD_PYTHON)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  # The Python package: the interpreter it was built for and NumPy; pandas only for to_pandas().
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}.99), python3-numpy")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-pandas")
endif()
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(_debian ${CMAKE_CURRENT_BINARY_DIR}/debian)
foreach(script postinst prerm postrm)
  configure_file(debian/${script}.in ${_debian}/${script} @ONLY FILE_PERMISSIONS
                 OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
configure_file(debian/triggers ${_debian}/triggers COPYONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_debian}/postinst ${_debian}/prerm ${_debian}/postrm ${_debian}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# /usr/share/doc/corvex: the copyright and the changelog a Debian package carries.
configure_file(debian/changelog.in ${_debian}/changelog @ONLY)
add_custom_command(OUTPUT ${_debian}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -DGZIP=${CORVEX_GZIP} -DINPUT=${_debian}/changelog -DOUTPUT=${_debian}/changelog.gz
          -P ${CMAKE_CURRENT_SOURCE_DIR}/gzip_file.cmake
  DEPENDS ${_debian}/changelog
  VERBATIM)
add_custom_target(corvex_changelog ALL DEPENDS ${_debian}/changelog.gz)
install(FILES debian/copyright ${_debian}/changelog.gz DESTINATION ${CORVEX_DOCDIR})
install(FILES debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME corvex)

include(CPack)
