# Building installers: the product and the test installers are made by the one function below,
# each from its own payload list.
#
# The payload is packed by the host tool payload-pack (payload/pack.cpp). A native build builds
# the tool itself; a Windows build is given its path in LEXORIN_PAYLOAD_PACK by the build that
# starts it, or builds it with the host's compiler while it is configured.

if(NOT CMAKE_CROSSCOMPILING)
  add_executable(payload-pack "${LEXORIN_SOURCE_DIR}/payload/pack.cpp")
  set(LEXORIN_PAYLOAD_PACK "$<TARGET_FILE:payload-pack>")
  set(LEXORIN_PAYLOAD_PACK_DEPENDS payload-pack)
elseif(NOT LEXORIN_PAYLOAD_PACK)
  find_program(LEXORIN_HOST_CXX NAMES c++ g++ REQUIRED)
  set(LEXORIN_PAYLOAD_PACK "${CMAKE_BINARY_DIR}/payload-pack")
  execute_process(
    COMMAND "${LEXORIN_HOST_CXX}" -std=c++17 -O2 -o "${LEXORIN_PAYLOAD_PACK}"
            "${LEXORIN_SOURCE_DIR}/payload/pack.cpp"
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "Could not build payload-pack with ${LEXORIN_HOST_CXX}")
  endif()
endif()

# Flags of the installer's own code. Windows builds are made small: no exceptions, no RTTI, no
# unwind tables, unused functions dropped (but not -fdata-sections: with it MinGW puts zeroed
# globals such as SetupState into .data, where they take room in the file). They are also made
# reproducible: no time stamp and no build path end up in the executable.
function(lexorin_code_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(WIN32)
    target_compile_options(${target} PRIVATE
      -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
      -ffunction-sections
      "-ffile-prefix-map=${LEXORIN_SOURCE_DIR}=." "-ffile-prefix-map=${CMAKE_BINARY_DIR}=.")
  endif()
endfunction()

# lexorin_add_installer(<target> LIST <payload list>)
#
# An installer carrying the payload of <payload list>. Its packed payload, with the file
# payload.expect that tells what an installation must produce, lies in
# ${CMAKE_BINARY_DIR}/payloads/<target>.
function(lexorin_add_installer target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "LIST" "")
  get_filename_component(list "${ARG_LIST}" ABSOLUTE)
  set(out "${CMAKE_BINARY_DIR}/payloads/${target}")
  add_custom_command(
    OUTPUT "${out}/payload.rc" "${out}/payload_table.cpp" "${out}/payload.expect"
    COMMAND "${LEXORIN_PAYLOAD_PACK}" "${list}" "${out}"
    DEPENDS "${list}" ${LEXORIN_PAYLOAD_PACK_DEPENDS}
    COMMENT "Packing ${ARG_LIST} for ${target}"
    VERBATIM)
  if(WIN32)
    set(payload "${out}/payload.rc")
    add_executable(${target} WIN32 "${payload}"
      "${LEXORIN_SOURCE_DIR}/src/platform/win32/entry.cpp"
      "${LEXORIN_SOURCE_DIR}/src/platform/win32/lexorin.rc")
    target_link_options(${target} PRIVATE
      -static -nostartfiles -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
  else()
    set(payload "${out}/payload_table.cpp")
    add_executable(${target} "${payload}" "${LEXORIN_SOURCE_DIR}/src/platform/posix/entry.cpp")
  endif()
  # The resources are read from the packed files, which change together with payload.expect.
  set_source_files_properties("${payload}" PROPERTIES OBJECT_DEPENDS "${out}/payload.expect")
  target_link_libraries(${target} PRIVATE lexorin_core)
  lexorin_code_options(${target})
endfunction()
