# What `cmake --install` puts where, and the packages `cpack` makes from it.
# Linux: the usual tree under the prefix (bin, share/man, share/doc, share/tiral).
# Windows: one folder to unzip, tiral.exe at its top, texts with CR LF.
set(TIRAL_EXAMPLE_FILES
    ${PROJECT_SOURCE_DIR}/examples/climate.txt
    ${PROJECT_SOURCE_DIR}/examples/generate_climate.py)

if(WIN32)
  install(TARGETS tiral RUNTIME DESTINATION .)
  # Notepad and `type` show these as they are meant; the sample data stays
  # byte for byte as in the repository.
  set(TIRAL_WINDOWS_TEXTS ${PROJECT_BINARY_DIR}/windows-texts)
  foreach(text README.md:README.txt doc/README-Windows.txt:README-Windows.txt
               examples/README.md:examples/README.txt)
    string(REPLACE ":" ";" text ${text})
    list(GET text 0 from)
    list(GET text 1 to)
    configure_file(${PROJECT_SOURCE_DIR}/${from} ${TIRAL_WINDOWS_TEXTS}/${to} @ONLY NEWLINE_STYLE CRLF)
  endforeach()
  install(FILES ${TIRAL_WINDOWS_TEXTS}/README.txt ${TIRAL_WINDOWS_TEXTS}/README-Windows.txt DESTINATION .)
  install(FILES ${TIRAL_EXAMPLE_FILES} ${TIRAL_WINDOWS_TEXTS}/examples/README.txt DESTINATION examples)
else()
  install(TARGETS tiral RUNTIME DESTINATION bin)
  install(FILES ${TIRAL_EXAMPLE_FILES} ${PROJECT_SOURCE_DIR}/examples/README.md DESTINATION share/tiral/examples)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/tiral)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/tiral.1 DESTINATION share/man/man1)
endif()

# cpack packages what is built and builds nothing itself: the first command
# builds only the program, and the tests must not rebuild the tree they test.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME tiral)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Monthly dew point temperature report from daily weather records")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME ${CMAKE_SYSTEM_NAME})
endif()
# The debug information of the default build stays in the build tree.
set(CPACK_STRIP_FILES ON)
include(CPack)
