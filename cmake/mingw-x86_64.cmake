# Cross build of the same programs for 64-bit Windows with MinGW-w64. The
# product is 32-bit; this build exists only so the Windows tests can run on
# machines whose kernel does not run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
