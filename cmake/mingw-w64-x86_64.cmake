# Cross toolchain: 64-bit Windows (PE32+, x86-64). Not shipped: it builds the same program and
# tests for 64-bit Wine, which runs on machines that cannot execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
