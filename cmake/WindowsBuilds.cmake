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
      "-DLEXORIN_WINE_TEMPLATE=${CMAKE_BINARY_DIR}/wine/template"
    DEPENDS payload-pack
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
endforeach()

set(LEXORIN_WINDOWS_X86_DIR "${CMAKE_BINARY_DIR}/windows-x86")
set(LEXORIN_WINDOWS_X64_DIR "${CMAKE_BINARY_DIR}/windows-x64")

# The tests of the 64-bit build (run under Wine) are part of this build's test run.
file(WRITE "${CMAKE_BINARY_DIR}/windows-tests.cmake" "subdirs(\"${LEXORIN_WINDOWS_X64_DIR}\")\n")
set_property(DIRECTORY "${LEXORIN_SOURCE_DIR}" APPEND PROPERTY TEST_INCLUDE_FILES
             "${CMAKE_BINARY_DIR}/windows-tests.cmake")
