# Fails when a product source spells the name of a Preferences value as a text literal
# instead of reaching it through its entry in core/PreferenceTable.h, or reads or writes the
# store by a literal name (a value new to the program gets its entry first).
#
#   cmake -DSOURCE_DIR=<repository> -P scripts/check-preference-names.cmake
#
# Names that also mean something else keep their literals where they mean it: "Name" is an
# item column, a field label and a value of other keys; the custom settings have a caption
# value "CompanyName" of their own.
cmake_minimum_required(VERSION 3.22)

set(kProductFolders core datastore document devices editor customers listupdate reports mainwindow apps relay setup)
set(kTable core/PreferenceTable.h)
set(kOtherMeanings "Name")
set(kOtherMeaningsIn "core/CustomSettings.cpp:CompanyName")

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check-preference-names: give -DSOURCE_DIR=<repository>")
endif()

# The names of the table: each entry opens with its name.
file(READ "${SOURCE_DIR}/${kTable}" table)
string(REGEX MATCHALL "{[ \t\r\n]*u\"[A-Za-z0-9_]+\"" entries "${table}")
set(names)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^{[ \t\r\n]*u\"([A-Za-z0-9_]+)\"$" "\\1" name "${entry}")
  if(NOT name IN_LIST kOtherMeanings)
    list(APPEND names "${name}")
  endif()
endforeach()
list(LENGTH names count)
if(count LESS 50)
  message(FATAL_ERROR "check-preference-names: read only ${count} names from ${kTable}")
endif()
list(JOIN names "|" alternatives)
# A call on the store by a literal name, whatever the name.
set(byName "(CPreferences\\(\\)|preferences|prefs)(\\.|->)(GetDword|QueryDword|GetString|SetDword|SetString|GetBinary|SetBinary)\\(u\"")

set(failures 0)
foreach(folder IN LISTS kProductFolders)
  file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
  foreach(source IN LISTS sources)
    if(source STREQUAL kTable)
      continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${source}" calls REGEX "${byName}")
    foreach(call IN LISTS calls)
      string(STRIP "${call}" call)
      message(SEND_ERROR "${source}: the store is called by a literal name (${call}); give the value an entry in ${kTable}")
      math(EXPR failures "${failures} + 1")
    endforeach()
    file(STRINGS "${SOURCE_DIR}/${source}" lines REGEX "u\"(${alternatives})\"")
    foreach(line IN LISTS lines)
      string(REGEX MATCHALL "u\"(${alternatives})\"" found "${line}")
      foreach(literal IN LISTS found)
        string(REGEX REPLACE "^u\"(.*)\"$" "\\1" name "${literal}")
        if("${source}:${name}" IN_LIST kOtherMeaningsIn)
          continue()
        endif()
        message(SEND_ERROR "${source}: the preference \"${name}\" is spelled out; use its entry in ${kTable}")
        math(EXPR failures "${failures} + 1")
      endforeach()
    endforeach()
  endforeach()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "check-preference-names: ${failures} spelled-out preference names")
endif()
message(STATUS "check-preference-names: ${count} names, each reached through the table only")
