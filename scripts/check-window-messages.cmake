# Fails when a private window message is defined outside core/WindowMessages.h: a constant
# set to WM_USER or WM_APP plus an offset, a kMsg constant given a number, or a constant given
# a four-digit number from 1000 (where the program's messages lie), in any product folder
# but platform/ (whose controls keep their own Win32 message numbers).
#
#   cmake -DSOURCE_DIR=<repository> -P scripts/check-window-messages.cmake
cmake_minimum_required(VERSION 3.22)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check-window-messages: give -DSOURCE_DIR=<repository>")
endif()

set(kCatalogue "core/WindowMessages.h")
set(kFolders core datastore document devices editor customers listupdate reports mainwindow apps relay setup)
set(kDefinition "UINT[ \t]+[A-Za-z_][A-Za-z0-9_]*[ \t]*=[ \t]*(WM_USER|WM_APP)|UINT[ \t]+kMsg[A-Za-z0-9_]*[ \t]*=|UINT[ \t]+k[A-Za-z0-9_]*[ \t]*=[ \t]*1[0-9][0-9][0-9][ \t]*;")

set(offenders "")
foreach(folder IN LISTS kFolders)
  file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    if(source STREQUAL kCatalogue)
      continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${source}" hits REGEX "${kDefinition}")
    foreach(hit IN LISTS hits)
      string(STRIP "${hit}" hit)
      list(APPEND offenders "${source}: ${hit}")
    endforeach()
  endforeach()
endforeach()

if(offenders)
  list(JOIN offenders "\n  " text)
  message(FATAL_ERROR "private window messages defined outside ${kCatalogue}:\n  ${text}")
endif()
