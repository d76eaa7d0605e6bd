# Checks of the product code run by ctest on the host (no emulator).

# The sources read as 64-bit code by clang, in seconds: pointer-width mistakes that the 32-bit
# program cannot show, caught without building a 64-bit program.
add_test(NAME pointer_width_tests
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check-pointer-width.sh ${CMAKE_SOURCE_DIR}
                 ${CMAKE_FIND_ROOT_PATH}/include)

# cppcheck, with 32-bit Windows' platform settings and the definitions the cross build uses.
find_program(VANTREL_CPPCHECK cppcheck)
if(NOT VANTREL_CPPCHECK)
  message(WARNING "cppcheck not found: the static_analysis test is not registered (scripts/setup.sh installs it)")
  return()
endif()

add_test(NAME static_analysis
         COMMAND ${VANTREL_CPPCHECK}
                 --platform=win32W --library=windows --std=c++17
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
