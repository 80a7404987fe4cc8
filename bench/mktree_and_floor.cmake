# The tree benchmark's tools, mktree and floor: plain C++ for Linux, no Google
# Benchmark. Included from bench/ and from the tests of the tools, whichever
# comes first; the programs land in <build>/bench/ either way, where
# bench/compare looks for them.
include_guard(GLOBAL)

add_library(purifile_tree_tools STATIC
  ${PROJECT_SOURCE_DIR}/bench/mktree.cpp
  ${PROJECT_SOURCE_DIR}/bench/floor.cpp)
target_include_directories(purifile_tree_tools PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(purifile_tree_tools PRIVATE purifile_warnings)

add_executable(purifile_mktree ${PROJECT_SOURCE_DIR}/bench/mktree_main.cpp)
add_executable(purifile_floor ${PROJECT_SOURCE_DIR}/bench/floor_main.cpp)
foreach(tool mktree floor)
  target_link_libraries(purifile_${tool} PRIVATE purifile_tree_tools purifile_warnings)
  set_target_properties(purifile_${tool} PROPERTIES
    OUTPUT_NAME ${tool}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endforeach()
