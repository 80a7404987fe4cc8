# The version is set once, in the top-level CMakeLists.txt; the documents that
# name it must name that one: the man page's header, the README's package
# names, the newest entry of NEWS and the package's changelog.
#   cmake -DVERSION=x.y.z -DSOURCE=<project root> -P check_version.cmake
foreach(check
    "docs/purifile.1|^\\.TH PURIFILE 1 \"[0-9]+\" \"Purifile ${VERSION}\""
    "README.md|purifile_${VERSION}_amd64\\.deb"
    "README.md|purifile-${VERSION}-win64\\.zip"
    "NEWS|^${VERSION} \\("
    "cmake/debian/changelog|^purifile \\(${VERSION}\\) ")
  string(REPLACE "|" ";" parts "${check}")
  list(GET parts 0 file)
  list(GET parts 1 pattern)
  file(STRINGS ${SOURCE}/${file} lines REGEX "${pattern}")
  if(NOT lines)
    message(SEND_ERROR "${file} does not name version ${VERSION} (looked for: ${pattern})")
  endif()
endforeach()
# The newest entry of NEWS comes first, before any other version's.
file(STRINGS ${SOURCE}/NEWS entries REGEX "^[0-9]+\\.[0-9]+\\.[0-9]+ \\(")
list(GET entries 0 newest)
if(NOT newest MATCHES "^${VERSION} ")
  message(SEND_ERROR "NEWS begins with ${newest}, not with version ${VERSION}")
endif()
