# purifile_component(<name> <dir> [DEPENDS libs...])
# One static library per subsystem, made of every .cpp in its directory that does
# not belong to a single platform (files ending in _posix.cpp or _windows.cpp are
# taken only on their platform). Adding a source file needs no CMake edit.
function(purifile_component name dir)
  cmake_parse_arguments(ARG "" "" "DEPENDS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "/${excluded}$")
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE purifile_warnings)
endfunction()

# purifile_link_engine(<target> <PRIVATE|PUBLIC> <host>)
# Links the whole engine and a provider of the host services: the built-in host
# (purifile_host) for the standalone program and the tests, the TakeCmd.dll
# import library for the plug-in. The subsystems call one another both ways
# (the driver calls the walker, the walker the diagnostics) and all of them call
# the host, so they are linked as one group the linker searches until nothing
# more resolves.
function(purifile_link_engine target scope host)
  target_link_libraries(${target} ${scope}
    "$<LINK_GROUP:RESCAN,purifile_plugin,purifile_command,purifile_walker,purifile_cleaner,${host},purifile_platform>")
endfunction()
