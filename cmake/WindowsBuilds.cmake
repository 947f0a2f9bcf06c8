# The two Windows builds, started from the native build as builds of their own (a CMake build
# has one compiler): windows-x86 makes the product, windows-x64 its twin and the Windows tests.
# They use the native build's payload-pack and are rebuilt whenever the native build is.

include(ExternalProject)

foreach(arch IN ITEMS x86 x64)
  if(arch STREQUAL x86)
    set(toolchain "${LEXORIN_SOURCE_DIR}/cmake/toolchain-i686-w64-mingw32.cmake")
  else()
    set(toolchain "${LEXORIN_SOURCE_DIR}/cmake/toolchain-x86_64-w64-mingw32.cmake")
  endif()
  ExternalProject_Add(windows-${arch}
    SOURCE_DIR "${LEXORIN_SOURCE_DIR}"
    BINARY_DIR "${CMAKE_BINARY_DIR}/windows-${arch}"
    CMAKE_ARGS
      "-DCMAKE_TOOLCHAIN_FILE=${toolchain}"
      "-DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}"
      "-DLEXORIN_PAYLOAD_PACK=$<TARGET_FILE:payload-pack>"
      "-DLEXORIN_DOWNLOAD_SITE=${LEXORIN_DOWNLOAD_SITE}"
    DEPENDS payload-pack
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
endforeach()

set(LEXORIN_WINDOWS_X86_DIR "${CMAKE_BINARY_DIR}/windows-x86")
set(LEXORIN_WINDOWS_X64_DIR "${CMAKE_BINARY_DIR}/windows-x64")
