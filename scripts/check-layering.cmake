# Fails when a file includes a folder that sits above its own.
#
#   cmake -DSOURCE_DIR=<repository> -P scripts/check-layering.cmake
#
# Folders, lowest first (a folder includes only itself and folders before it):
#   platform < core < datastore < document < devices < editor < customers < listupdate
#   < reports < mainwindow < apps
# relay/ and setup/ sit over core: they include platform and core only, and only apps
# include them. resources/ (the resource ids and sources) includes only itself; every
# folder but platform may include it.
# tests/X includes what X may include, X itself, the test folders of those, tests/data,
# resources and platform/testing; benchmarks/ and fuzz/ include anything below apps and platform/testing.
# Only tests, benchmarks and fuzz targets include platform/testing.
#
# Within platform/, each area includes only itself and the areas before it in
# kPlatformAreas; platform/platform.h (all of them) sits just below testing. A new folder
# or area must be given its place in the lists below.
cmake_minimum_required(VERSION 3.22)

set(kFolders platform core datastore document devices editor customers listupdate reports mainwindow apps)
set(kBeside relay setup)
set(kPlatformAreas
    base sqlite kernel registry locale crypt process xml module version gdi imaging user commctrl shell
    htmlview pim mapi printing scanners ipc display platform.h testing)
set(kScanned ${kFolders} ${kBeside} resources tests benchmarks fuzz)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check-layering: give -DSOURCE_DIR=<repository>")
endif()

# The folder of a path relative to the repository: "core", "tests/core", "platform/gdi",
# "platform/platform.h"; empty when the path is outside every folder the order knows.
function(layer_of path out)
  string(REPLACE "/" ";" parts "${path}")
  list(LENGTH parts count)
  list(GET parts 0 top)
  set(layer "")
  if(top STREQUAL "tests" AND count GREATER 2)
    list(GET parts 1 second)
    set(layer "tests/${second}")
  elseif(top STREQUAL "platform" AND count GREATER 2)
    list(GET parts 1 second)
    set(layer "platform/${second}")
  elseif(top STREQUAL "platform" AND count EQUAL 2)
    set(layer "platform/platform.h")
  elseif(top IN_LIST kFolders OR top IN_LIST kBeside OR top STREQUAL "resources" OR top STREQUAL "benchmarks"
         OR top STREQUAL "fuzz")
    set(layer "${top}")
  endif()
  set(${out} "${layer}" PARENT_SCOPE)
endfunction()

# Whether product folder `from` may include product folder `to` (both top-level names).
function(folder_allows from to out)
  set(ok FALSE)
  if(from STREQUAL to)
    set(ok TRUE)
  elseif(to STREQUAL "resources")
    if(NOT from STREQUAL "platform")
      set(ok TRUE)
    endif()
  elseif(from IN_LIST kBeside)
    if(to STREQUAL "platform" OR to STREQUAL "core")
      set(ok TRUE)
    endif()
  elseif(to IN_LIST kBeside)
    if(from STREQUAL "apps")
      set(ok TRUE)
    endif()
  elseif(from IN_LIST kFolders AND to IN_LIST kFolders)
    list(FIND kFolders "${from}" f)
    list(FIND kFolders "${to}" t)
    if(t LESS f)
      set(ok TRUE)
    endif()
  endif()
  set(${out} ${ok} PARENT_SCOPE)
endfunction()

# Sets `out` to `why` when product folder `from` may not include `to`, else to empty.
function(require_allowed from to why out)
  folder_allows("${from}" "${to}" ok)
  if(ok)
    set(why "")
  endif()
  set(${out} "${why}" PARENT_SCOPE)
endfunction()

# Empty when file layer `from` may include layer `to`, else why not.
function(check_include from to out)
  set(why "")
  string(REGEX REPLACE "/.*" "" fromTop "${from}")
  string(REGEX REPLACE "/.*" "" toTop "${to}")
  if(from STREQUAL to)
    # A folder includes itself.
  elseif(to STREQUAL "platform/testing")
    if(NOT (fromTop STREQUAL "tests" OR fromTop STREQUAL "benchmarks" OR fromTop STREQUAL "fuzz"))
      set(why "only tests, benchmarks and fuzz targets include platform/testing")
    endif()
  elseif(fromTop STREQUAL "platform" AND toTop STREQUAL "platform")
    string(REPLACE "platform/" "" fromArea "${from}")
    string(REPLACE "platform/" "" toArea "${to}")
    list(FIND kPlatformAreas "${fromArea}" f)
    list(FIND kPlatformAreas "${toArea}" t)
    if(f LESS 0)
      set(why "platform area ${fromArea} has no place in the area order (scripts/check-layering.cmake)")
    elseif(t LESS 0)
      set(why "platform area ${toArea} has no place in the area order (scripts/check-layering.cmake)")
    elseif(t GREATER f)
      set(why "platform/${toArea} sits above platform/${fromArea}")
    endif()
  elseif(fromTop STREQUAL "tests")
    string(REPLACE "tests/" "" x "${from}")
    string(REPLACE "tests/" "" y "${to}")
    if(x STREQUAL "data")
      set(why "tests/data holds data only")
    elseif(NOT (x IN_LIST kFolders OR x IN_LIST kBeside))
      set(why "tests/${x} has no place in the folder order (scripts/check-layering.cmake)")
    elseif(toTop STREQUAL "resources")
      # Tests read the built language library by the program's resource ids.
    elseif(toTop STREQUAL "tests")
      if(NOT y STREQUAL "data")
        require_allowed("${x}" "${y}" "tests/${y} sits above tests/${x}" why)
      endif()
    else()
      require_allowed("${x}" "${toTop}" "${toTop} sits above ${x}, which tests/${x} tests" why)
    endif()
  elseif(fromTop STREQUAL "benchmarks" OR fromTop STREQUAL "fuzz")
    if(toTop STREQUAL "apps" OR toTop STREQUAL "tests" OR toTop STREQUAL "benchmarks" OR toTop STREQUAL "fuzz")
      set(why "${fromTop} includes nothing of ${toTop}")
    endif()
  elseif(toTop STREQUAL "tests" OR toTop STREQUAL "benchmarks" OR toTop STREQUAL "fuzz")
    set(why "the program includes nothing of ${toTop}")
  else()
    require_allowed("${fromTop}" "${toTop}" "${toTop} sits above ${fromTop}" why)
  endif()
  set(${out} "${why}" PARENT_SCOPE)
endfunction()

set(globs "")
foreach(folder ${kScanned})
  foreach(ext h hpp cpp cc c inc in rc)
    list(APPEND globs "${SOURCE_DIR}/${folder}/*.${ext}")
  endforeach()
endforeach()
file(GLOB_RECURSE files ${globs})

set(faults 0)
set(checked 0)
foreach(file ${files})
  file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
  layer_of("${rel}" from)
  if(from STREQUAL "")
    continue()
  endif()
  get_filename_component(dir "${file}" DIRECTORY)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" name "${line}")
    # A name found beside the including file is that file; otherwise it is taken from the
    # repository's root (or the generated headers, which mirror it).
    get_filename_component(beside "${dir}/${name}" ABSOLUTE)
    if(EXISTS "${beside}")
      file(RELATIVE_PATH target "${SOURCE_DIR}" "${beside}")
    else()
      set(target "${name}")
    endif()
    layer_of("${target}" to)
    if(to STREQUAL "")
      continue()
    endif()
    math(EXPR checked "${checked} + 1")
    check_include("${from}" "${to}" why)
    if(NOT why STREQUAL "")
      message("${rel}: includes \"${name}\": ${why}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "check-layering: ${faults} include(s) reach upward")
endif()
message(STATUS "check-layering: ${checked} includes follow the folder order")
