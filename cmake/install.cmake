# What `cmake --install` puts on a machine, and the Debian package `cpack -G DEB` builds from it:
# the program in bin/, its manual page in share/man/man1/, the README and the robustness notes
# in share/doc/tavrel/.
include(GNUInstallDirs)

# Folders the install creates are readable by every user, whatever the installer's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
  GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS tavrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# A Debian system keeps its manual pages compressed, without a time stamp in the gzip header,
# so the same page always gives the same bytes; without gzip the page goes in as written.
# The page carries the version and the documentation folder, filled in here.
set(TAVREL_MAN_PAGE ${CMAKE_BINARY_DIR}/tavrel.1)
configure_file(${CMAKE_SOURCE_DIR}/docs/tavrel.1.in ${TAVREL_MAN_PAGE} @ONLY)
find_program(TAVREL_GZIP gzip)
if(TAVREL_GZIP)
  set(TAVREL_MAN_PAGE_GZ ${CMAKE_BINARY_DIR}/tavrel.1.gz)
  add_custom_command(OUTPUT ${TAVREL_MAN_PAGE_GZ}
    COMMAND ${TAVREL_GZIP} -9nc ${TAVREL_MAN_PAGE} > ${TAVREL_MAN_PAGE_GZ}
    DEPENDS ${TAVREL_MAN_PAGE}
    COMMENT "Compressing the manual page")
  add_custom_target(tavrel_man_page ALL DEPENDS ${TAVREL_MAN_PAGE_GZ})
  install(FILES ${TAVREL_MAN_PAGE_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  install(FILES ${TAVREL_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/robustness.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package. Its run-time dependencies are the libraries the program is linked with,
# as dpkg-shlibdeps finds them (CUPS, HarfBuzz, zlib, fontconfig, FreeType, the C++ library), plus a
# fixed-pitch font for the receipts; the scheduler is recommended, not required, since
# "Print to PDF" and a scheduler on another machine (CUPS_SERVER) need none on this one.
set(TAVREL_PACKAGE_MAINTAINER "Tavrel developers <support@tavrel.org>"
  CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Tavrel developers")
set(CPACK_PACKAGE_CONTACT ${TAVREL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "prints a point-of-sale program's capture files on CUPS printers")
set(CPACK_PACKAGE_DESCRIPTION
  "Tavrel lets a legacy text-mode point-of-sale program print on ordinary printers. The\n\
point-of-sale program writes each receipt or invoice into the capture file WLSDFKJN.DRY in\n\
its working folder; Tavrel, running in a terminal in the same folder, prints the file's text\n\
on the configured CUPS printer (or as a PDF file) in a fixed-pitch font and deletes it. A\n\
document is never lost, printed twice or printed half-written.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAVREL_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavrel.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core | fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "dosbox")
include(CPack)
