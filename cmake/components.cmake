# purifile_component(<name> [SOURCES files...] [POSIX files...] [WINDOWS files...]
#                    [DEPENDS libraries...])
# One static library per subsystem, from the sources its CMakeLists.txt names:
# SOURCES on every platform, POSIX or WINDOWS only on that one. A new source file
# is added to the list of its directory's CMakeLists.txt.
function(purifile_component name)
  cmake_parse_arguments(ARG "" "" "SOURCES;POSIX;WINDOWS;DEPENDS" ${ARGN})
  if(WIN32)
    set(platform_sources ${ARG_WINDOWS})
  else()
    set(platform_sources ${ARG_POSIX})
  endif()
  add_library(${name} STATIC ${ARG_SOURCES} ${platform_sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE purifile_warnings)
endfunction()

# The host services the engine calls (Printf, QueryTrueName, GetKeystroke, ...)
# come from whichever host the final program links: the built-in host
# (purifile_host) unless the program names another in its PURIFILE_HOST
# property, as the plug-in does with TakeCmd.dll's import library and as the
# programs with a fake host do. Every engine library that calls the host links
# this interface, so the host lands on the link line after the engine libraries
# that call it and before the platform layer that it calls.
add_library(purifile_host_services INTERFACE)
target_link_libraries(purifile_host_services INTERFACE
  "$<IF:$<BOOL:$<TARGET_PROPERTY:PURIFILE_HOST>>,$<TARGET_PROPERTY:PURIFILE_HOST>,purifile_host>")
