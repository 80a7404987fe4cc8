# The tests of a Windows build run under Wine in this build tree's own prefix,
# served by one Wine server: the test wine_server_start starts it and waits until
# the prefix is ready before any test that needs it, and wine_server_stop shuts
# it down after the last one, also when only some tests are selected.
if(WIN32)
  set(PURIFILE_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(wine_server_script ${PROJECT_SOURCE_DIR}/cmake/wine-server.sh)
  add_test(NAME wine_server_start COMMAND sh ${wine_server_script} start ${PURIFILE_WINEPREFIX})
  add_test(NAME wine_server_stop COMMAND sh ${wine_server_script} stop ${PURIFILE_WINEPREFIX})
  set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine_server TIMEOUT 600)
  set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine_server TIMEOUT 120)
endif()

# purifile_serve_wine_tests(): every test added so far in the calling
# directory runs in the prefix above, after its server has started. Nothing
# on other builds, whose tests run natively.
function(purifile_serve_wine_tests)
  if(NOT WIN32)
    return()
  endif()
  get_property(tests DIRECTORY PROPERTY TESTS)
  list(REMOVE_ITEM tests wine_server_start wine_server_stop)
  if(tests)
    # Appended, so that fixtures of a test's own (a tree it needs) stay.
    set_property(TEST ${tests} APPEND PROPERTY FIXTURES_REQUIRED wine_server)
    set_property(TEST ${tests} APPEND PROPERTY ENVIRONMENT_MODIFICATION "WINEPREFIX=set:${PURIFILE_WINEPREFIX}")
  endif()
endfunction()
