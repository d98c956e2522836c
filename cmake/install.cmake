# What `cmake --install` puts where, and the packages `cpack` makes from it.
# Linux: the usual tree under the prefix (bin, share/man, share/doc, share/tiral).
# Windows: one folder to unzip, tiral.exe at its top, texts with CR LF.
set(TIRAL_EXAMPLE_FILES
    ${PROJECT_SOURCE_DIR}/examples/climate.txt
    ${PROJECT_SOURCE_DIR}/examples/generate_climate.py)

if(WIN32)
  install(TARGETS tiral RUNTIME DESTINATION .)
  # Notepad and `type` show these as they are meant; the sample data stays
  # byte for byte as in the repository. README.txt is the user's text, not
  # the developers' README.md, and the examples' README shows cmd and
  # PowerShell where the Linux one shows a shell.
  set(TIRAL_WINDOWS_TEXTS ${PROJECT_BINARY_DIR}/windows-texts)
  foreach(text doc/README-Windows.txt:README.txt CHANGELOG.md:CHANGELOG.txt LICENSE:LICENSE.txt
               doc/README-examples-Windows.txt:examples/README.txt)
    string(REPLACE ":" ";" text ${text})
    list(GET text 0 from)
    list(GET text 1 to)
    configure_file(${PROJECT_SOURCE_DIR}/${from} ${TIRAL_WINDOWS_TEXTS}/${to} @ONLY NEWLINE_STYLE CRLF)
  endforeach()
  install(FILES ${TIRAL_WINDOWS_TEXTS}/README.txt ${TIRAL_WINDOWS_TEXTS}/CHANGELOG.txt ${TIRAL_WINDOWS_TEXTS}/LICENSE.txt
          DESTINATION .)
  install(FILES ${TIRAL_EXAMPLE_FILES} ${TIRAL_WINDOWS_TEXTS}/examples/README.txt DESTINATION examples)
else()
  install(TARGETS tiral RUNTIME DESTINATION bin)
  install(FILES ${TIRAL_EXAMPLE_FILES} ${PROJECT_SOURCE_DIR}/examples/README.md DESTINATION share/tiral/examples)
  # Debian's places for the licence (copyright) and the package's own change
  # log (changelog.gz), and a compressed manual page, which man reads as well.
  # Made when CMake configures, as the first command builds only the program.
  set(TIRAL_MADE_TEXTS ${PROJECT_BINARY_DIR}/made-texts)
  set(TIRAL_DEB_MAINTAINER "tiral developers <tiral-developers@example.org>" CACHE STRING
      "The Debian package's Maintainer field: a name and a mail address")
  string(TIMESTAMP TIRAL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  file(WRITE ${TIRAL_MADE_TEXTS}/changelog
       "tiral (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${PROJECT_VERSION}; the changes are in /usr/share/doc/tiral/CHANGELOG.md.\n\n"
       " -- ${TIRAL_DEB_MAINTAINER}  ${TIRAL_CHANGELOG_DATE}\n")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/doc/tiral.1)
  foreach(text ${TIRAL_MADE_TEXTS}/changelog ${PROJECT_SOURCE_DIR}/doc/tiral.1)
    get_filename_component(name ${text} NAME)
    # -n: no name or time in the header, so the same text gives the same bytes.
    execute_process(COMMAND gzip -9 -n -c ${text} OUTPUT_FILE ${TIRAL_MADE_TEXTS}/${name}.gz RESULT_VARIABLE gzipped)
    if(NOT gzipped EQUAL 0)
      message(FATAL_ERROR "gzip could not compress ${text}")
    endif()
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/LICENSE
                ${PROJECT_SOURCE_DIR}/doc/copyright ${TIRAL_MADE_TEXTS}/changelog.gz
          DESTINATION share/doc/tiral)
  install(FILES ${TIRAL_MADE_TEXTS}/tiral.1.gz DESTINATION share/man/man1)
endif()

# cpack packages what is built and builds nothing itself: the first command
# builds only the program, and the tests must not rebuild the tree they test.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME tiral)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Monthly dew point temperature report from daily weather records")
set(CPACK_PACKAGE_VENDOR "tiral developers")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  # The tarball unpacks anywhere; the Debian package installs under /usr
  # (apt install ./tiral_X.Y.Z_amd64.deb, apt remove tiral).
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_SYSTEM_NAME ${CMAKE_SYSTEM_NAME})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TIRAL_DEB_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  # Lines of at most 80 characters, as Debian asks.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "tiral reads a plain-text file of daily maximum and minimum temperature and\nmean relative humidity and writes a report of the monthly means and the mean\ndaily dew point temperature of each month."
  )
  # The libraries the program links, as dpkg-shlibdeps finds them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
# The debug information of the default build stays in the build tree.
set(CPACK_STRIP_FILES ON)
include(CPack)
