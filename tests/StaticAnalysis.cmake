# cppcheck over the product code, run by ctest on the host (no emulator), with the Windows
# platform settings of the tree's architecture and the definitions the cross build uses.
find_program(VANTREL_CPPCHECK cppcheck)
if(NOT VANTREL_CPPCHECK)
  message(WARNING "cppcheck not found: the static_analysis test is not registered (scripts/setup.sh installs it)")
  return()
endif()

if(VANTREL_ARCH STREQUAL x64)
  set(cppcheck_platform win64)
else()
  set(cppcheck_platform win32W)
endif()
add_test(NAME static_analysis
         COMMAND ${VANTREL_CPPCHECK}
                 --platform=${cppcheck_platform} --library=windows --std=c++17
                 -D_WIN32_WINNT=0x0600 -DWINVER=0x0600 -DWIN32_LEAN_AND_MEAN -DNOMINMAX -DUNICODE -D_UNICODE
                 -I ${CMAKE_SOURCE_DIR}
                 --enable=warning,performance,portability,style
                 # The code is plain procedural Win32: platform blocks, handles and message
                 # parameters are cast C-style throughout, as the platform's own headers do.
                 --suppress=cstyleCast
                 # Newer cppcheck (2.11 on) says, as "information", that it limits its branch
                 # analysis; that note is no finding, yet it sets the error exit code.
                 --suppress=normalCheckLevelMaxBranches
                 --inline-suppr --error-exitcode=1 --quiet
                 common snapshot stats netparams shell
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
set_tests_properties(static_analysis PROPERTIES TIMEOUT 300)
