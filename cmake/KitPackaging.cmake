# Installing the kit and packaging it. The eight programs and the kit's solver library go to a
# private folder, since names like
# Build or Check are too general for bin/; one front command, sudoku-messkit, goes to bin/ and
# finds them relative to its own place. `./kit package` makes a Debian package and a .tar.gz of the
# same tree with CPack.
include(GNUInstallDirs)
set(KIT_PRIVATE_DIR lib/sudoku-messkit)

# The programs use only the system's libraries: no run path into the tree they were built in.
set_target_properties(Build Start Quadrin Ende Check Messlauf Anlasser Gastgeber kitloeser
                      PROPERTIES INSTALL_RPATH "")
install(TARGETS Build Start Quadrin Ende Check Messlauf Anlasser Gastgeber
        RUNTIME DESTINATION ${KIT_PRIVATE_DIR})
# Quadrin's search as a library, to hold another library against.
install(TARGETS kitloeser LIBRARY DESTINATION ${KIT_PRIVATE_DIR})
install(PROGRAMS timing/timed-run DESTINATION ${KIT_PRIVATE_DIR})

configure_file(packaging/sudoku-messkit.in ${CMAKE_BINARY_DIR}/packaging/sudoku-messkit @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/sudoku-messkit DESTINATION ${CMAKE_INSTALL_BINDIR})

# The manual page, compressed as Debian keeps them (-n: no time stamp, so the bytes repeat).
configure_file(packaging/sudoku-messkit.1.in ${CMAKE_BINARY_DIR}/packaging/sudoku-messkit.1 @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/sudoku-messkit.1.gz
  COMMAND gzip -9nkf sudoku-messkit.1
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/packaging
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/sudoku-messkit.1
  VERBATIM)
add_custom_target(manual_page ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/sudoku-messkit.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/sudoku-messkit.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME sudoku-messkit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Sudoku-Messkit")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "time a Sudoku solver on large puzzle sets and check every answer")
set(CPACK_PACKAGE_DESCRIPTION
    "Five small programs and a runner: Build writes a reproducible puzzle file, Start and Ende \
time the solver Quadrin (or any other), Check re-solves every puzzle with its own search and \
names the first wrong answer and why. sudoku-messkit run does a whole benchmark run with a \
report, on generated puzzles or on the public puzzle collections, and compares several solvers.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB TGZ)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # sudoku-messkit_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Sudoku-Messkit <sudoku-messkit@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Qt and the C++ runtime come from the programs' shared libraries (dpkg-shlibdeps); the fonts are
# what the windows ask for: metric twins of Arial and a black sans-serif for Ende's label.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-roboto-unhinted")

# The archive holds the same tree as the package: usr/bin, usr/lib/sudoku-messkit, usr/share/man;
# it is named as the package is, with Debian's name of the architecture where there is one.
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE kit_architecture
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT kit_architecture)
  set(kit_architecture ${CMAKE_SYSTEM_PROCESSOR})
endif()
configure_file(packaging/CPackOptions.cmake.in ${CMAKE_BINARY_DIR}/packaging/CPackOptions.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/CPackOptions.cmake)

include(CPack)
