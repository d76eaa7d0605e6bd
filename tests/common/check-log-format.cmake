# A LogMessage call whose argument does not match its format fails the build; matching calls
# build. cmake -DCOMPILER=... -DSOURCE_DIR=... -DFLAGS=... -P check-log-format.cmake
separate_arguments(flags UNIX_COMMAND "${FLAGS}")
set(use ${SOURCE_DIR}/tests/common/LogFormatUse.cpp)
execute_process(COMMAND ${COMPILER} ${flags} -I${SOURCE_DIR} -fsyntax-only ${use}
                RESULT_VARIABLE good_result OUTPUT_VARIABLE good_output ERROR_VARIABLE good_output)
if(NOT good_result EQUAL 0)
  message(FATAL_ERROR "Matching LogMessage calls do not build:\n${good_output}")
endif()
execute_process(COMMAND ${COMPILER} ${flags} -I${SOURCE_DIR} -fsyntax-only -DWRONG_ARGUMENT ${use}
                RESULT_VARIABLE bad_result OUTPUT_VARIABLE bad_output ERROR_VARIABLE bad_output)
if(bad_result EQUAL 0 OR NOT bad_output MATCHES "Werror=format")
  message(FATAL_ERROR "A text passed for %d builds, or fails for another reason:\n${bad_output}")
endif()
message(STATUS "A text passed for %d fails the build:\n${bad_output}")
