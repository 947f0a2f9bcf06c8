# Builds the product twice, in two fresh folders and a few seconds apart, and requires both
# executables to be byte for byte the same as each other and as the main build's. Anyone can
# then rebuild the shipped file from the source and get the same bytes; a time stamp, a build
# path or an unstable order anywhere in it makes this test fail.
#
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DGENERATOR=... -DBUILD_TYPE=... -DPAYLOAD_PACK=...
#         -DDOWNLOAD_SITE=... -DREFERENCE=<the main build's lexorin-setup.exe> -P reproducible.cmake
#
# The two folders have names of different lengths, so that a path that slips into the file
# changes its size or its padding, not just a few characters. They are left behind when the test
# fails, to be compared; a passing run removes them.

cmake_minimum_required(VERSION 3.25)

foreach(variable IN ITEMS SOURCE_DIR WORK_DIR GENERATOR BUILD_TYPE PAYLOAD_PACK DOWNLOAD_SITE REFERENCE)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "reproducible.cmake needs -D${variable}=...")
  endif()
endforeach()

# Long enough for the clock to move past a second (and a two-second DOS time) boundary.
set(pause_seconds 3)
set(folders "${WORK_DIR}/a" "${WORK_DIR}/second-build")

file(REMOVE_RECURSE "${WORK_DIR}")
set(first TRUE)
foreach(folder IN LISTS folders)
  if(NOT first)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E sleep ${pause_seconds})
  endif()
  set(first FALSE)
  message(STATUS "Building the product in ${folder}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${folder}" -G "${GENERATOR}"
            "-DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/toolchain-i686-w64-mingw32.cmake"
            "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}"
            "-DLEXORIN_PAYLOAD_PACK=${PAYLOAD_PACK}"
            "-DLEXORIN_DOWNLOAD_SITE=${DOWNLOAD_SITE}"
    OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
  if(status EQUAL 0)
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${folder}" --target lexorin-setup
                    OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "The build in ${folder} failed:\n${output}")
  endif()
endforeach()

# Names the first differing bytes, when cmp is there to find them.
function(report_difference left right)
  find_program(CMP cmp)
  set(details "")
  if(CMP)
    execute_process(COMMAND "${CMP}" -l "${left}" "${right}" OUTPUT_VARIABLE details ERROR_VARIABLE details)
    string(STRIP "${details}" details)
    string(REGEX REPLACE "\n +" "\n" details "${details}")
    string(REPLACE "\n" ";" lines "${details}")
    list(LENGTH lines count)
    list(SUBLIST lines 0 10 lines)
    list(JOIN lines "\n" details)
    string(APPEND heading "cmp -l lists ${count} differences; the first "
                          "(byte offset from 1, then the two values in octal):")
    set(details "\n${heading}\n${details}")
  endif()
  message(SEND_ERROR "${left}\nand ${right}\ndiffer.${details}")
endfunction()

list(GET folders 0 first_folder)
list(GET folders 1 second_folder)
set(failed FALSE)
foreach(pair IN ITEMS "${first_folder}/lexorin-setup.exe|${second_folder}/lexorin-setup.exe"
                      "${first_folder}/lexorin-setup.exe|${REFERENCE}")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 left)
  list(GET pair 1 right)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${left}" "${right}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    report_difference("${left}" "${right}")
    set(failed TRUE)
  endif()
endforeach()

if(NOT failed)
  file(REMOVE_RECURSE "${WORK_DIR}")
  message(STATUS "The two builds and the main build's product are identical")
endif()
