# Lays the test device down as a user gets it, once per build, for every test to copy:
#   <DEVICE>/installed  what `slateway-install` leaves on a new device, run unattended (each
#                       question of the setup library takes its default answer)
#   <DEVICE>/started    the same device after the program's first start laid out its sample
#                       database and documents
#
#   cmake -DINSTALLER=<slateway-install> -DFIRST_START=<slateway_first_start>
#         -DDEVICE=<folder> -DSTAMP=<file> -P scripts/make-test-device.cmake
#
# The device is the one of a user in the United States (the tests' regional settings),
# whatever the build machine's own are.
cmake_minimum_required(VERSION 3.22)

foreach(_arg INSTALLER FIRST_START DEVICE STAMP)
  if(NOT ${_arg})
    message(FATAL_ERROR "make-test-device: give -D${_arg}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${DEVICE}")
file(MAKE_DIRECTORY "${DEVICE}/installed")

# Runs `program` on the device root `root`; fails the build with what it said.
function(run_on_device root program)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=SLATEWAY_LOCALE --unset=LANG --unset=LC_NUMERIC --unset=LC_MONETARY
            --unset=LC_TIME LC_ALL=en_US.UTF-8 SLATEWAY_DEVICE_ROOT=${root} ${program}
    INPUT_FILE /dev/null
    OUTPUT_VARIABLE _out
    ERROR_VARIABLE _err
    RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "make-test-device: ${program} failed (${_rc}):\n${_out}${_err}")
  endif()
endfunction()

run_on_device("${DEVICE}/installed" "${INSTALLER}")
file(COPY "${DEVICE}/installed/" DESTINATION "${DEVICE}/started")
run_on_device("${DEVICE}/started" "${FIRST_START}")
if(NOT EXISTS "${DEVICE}/started/My Documents")
  message(FATAL_ERROR "make-test-device: the first start laid out no documents in ${DEVICE}/started")
endif()
file(TOUCH "${STAMP}")
