# Runs in cpack -G DEB after the files are staged and before the package is made:
# Debian wants the manual page and the changelog compressed (gzip -9n, so that
# the package is reproducible) and its copyright file in the documentation
# directory.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(docdir ${root}/${CPACK_PURIFILE_DOCDIR})
file(COPY ${CPACK_PURIFILE_DEBIAN_DIR}/copyright DESTINATION ${docdir})
file(COPY ${CPACK_PURIFILE_DEBIAN_DIR}/changelog DESTINATION ${docdir})
file(GLOB manual_pages ${root}/${CPACK_PURIFILE_MANDIR}/man*/*.[1-9])
foreach(file ${docdir}/changelog ${manual_pages})
  execute_process(COMMAND gzip -9nf ${file} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
