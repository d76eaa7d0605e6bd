# Test programs: GoogleTest from Debian's sources, built with the same cross toolchain,
# run by ctest under Wine (the build tree's private prefix) or, for tests that read the
# real endpoint tables, in a network namespace of their own.

set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(VANTREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VANTREL_NETNS_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix-netns)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/lib/wine-run.sh ${VANTREL_WINEPREFIX})

# vantrel_add_test(NAME SOURCES src... [LIBS lib...] [RESOURCES] [NETNS [PREFIX dir]] [MAIN] [TIMEOUT s])
#   RESOURCES  link the program's compiled resources (menus, dialogs, icons)
#   NETNS      run in a private network namespace with its own Wine prefix and wineserver,
#              so the endpoint tables hold only the sockets the test opens
#   PREFIX     the Wine prefix for NETNS, when not the tree's netns prefix
#   MAIN       the test brings its own main(); otherwise gtest_main is linked
function(vantrel_add_test NAME)
  cmake_parse_arguments(T "RESOURCES;NETNS;MAIN" "TIMEOUT;PREFIX" "SOURCES;LIBS" ${ARGN})
  add_executable(${NAME} ${T_SOURCES})
  target_compile_options(${NAME} PRIVATE ${VANTREL_WARNINGS})
  if(T_RESOURCES)
    target_sources(${NAME} PRIVATE $<TARGET_OBJECTS:vantrel_res>)
  endif()
  if(T_MAIN)
    target_link_libraries(${NAME} PRIVATE ${T_LIBS} gtest)
  else()
    target_link_libraries(${NAME} PRIVATE ${T_LIBS} gtest gtest_main)
  endif()
  if(T_NETNS)
    if(NOT T_PREFIX)
      set(T_PREFIX ${VANTREL_NETNS_WINEPREFIX})
    endif()
    add_test(NAME ${NAME}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/lib/wine-netns-run.sh ${T_PREFIX} $<TARGET_FILE:${NAME}>)
    set_tests_properties(${NAME} PROPERTIES RESOURCE_LOCK ${T_PREFIX})
  else()
    add_test(NAME ${NAME} COMMAND ${NAME})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()
