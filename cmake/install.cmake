# What cmake --install puts where, and the packages cpack makes from it.
if(WIN32)
  # The plug-in, the standalone program and their documents side by side at
  # the top of the zip. Not the stand-in TakeCmd.dll, which only the tests use,
  # nor the plug-in's import library.
  install(TARGETS purifile_dll purifile RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
  install(TARGETS purifile RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES docs/purifile.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES docs/completion/purifile DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions)
  install(FILES docs/completion/_purifile DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/zsh/vendor-completions)
  install(FILES docs/completion/purifile.fish DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/fish/vendor_completions.d)
endif()
install(FILES README.md LICENSE NEWS DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME purifile)
set(CPACK_PACKAGE_VENDOR "The Purifile developers")
set(CPACK_PACKAGE_CONTACT "Purifile developers <purifile@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rename files whose names hold troublesome characters")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Purifile renames files, or directories, whose names hold troublesome\n"
  "characters. The user names the entries with wildcards; Purifile derives\n"
  "every new name itself: it decodes %XX pairs (and, on request, =XX pairs\n"
  "and HTML entities), replaces characters that Windows forbids, maps\n"
  "typographic spaces and quotes, condenses runs and keeps every name\n"
  "unique. It shows every rename, can ask before each one or only pretend,\n"
  "and recurses into subdirectories.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME purifile-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
  set(CPACK_PURIFILE_DEBIAN_DIR ${PROJECT_SOURCE_DIR}/cmake/debian)
  set(CPACK_PURIFILE_DOCDIR ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_PURIFILE_MANDIR ${CMAKE_INSTALL_MANDIR})
  set(CPACK_PRE_BUILD_SCRIPTS ${CPACK_PURIFILE_DEBIAN_DIR}/staging.cmake)
  # The package's changelog names the version it describes.
  file(STRINGS ${CPACK_PURIFILE_DEBIAN_DIR}/changelog changelog_head LIMIT_COUNT 1)
  if(NOT changelog_head MATCHES "^purifile \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "cmake/debian/changelog does not begin with version ${PROJECT_VERSION}: ${changelog_head}")
  endif()
endif()
include(CPack)
