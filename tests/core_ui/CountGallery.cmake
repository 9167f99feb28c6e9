# cmake -DGALLERY=<flazz-gallery> -DDECLARED=<declared-windows.txt> -DOUT=<folder> -P CountGallery.cmake
#
# Runs the gallery into an empty folder, so no picture of an earlier run
# counts, then expects a picture of every declared window in each of the six
# skins, and no picture of a window nobody declared (a misspelt view name).
# Pictures are "<window>-skin<N>.png" or "<window>-<view>-skin<N>.png".
cmake_minimum_required(VERSION 3.25)
set(skins 6)
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${GALLERY}" "${OUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "flazz-gallery failed: ${result}")
endif()

file(STRINGS "${DECLARED}" windows)
file(GLOB pictures RELATIVE "${OUT}" "${OUT}/*.png")
list(LENGTH windows window_count)
list(LENGTH pictures picture_count)
if(window_count EQUAL 0)
  message(FATAL_ERROR "no window declared in ${DECLARED}")
endif()

set(problems "")
foreach(picture IN LISTS pictures)
  string(REGEX MATCH "^[^-]+" window "${picture}")
  if(NOT window IN_LIST windows)
    list(APPEND problems "${picture}: ${window} is not a declared window")
  endif()
endforeach()
math(EXPR last_skin "${skins} - 1")
foreach(window IN LISTS windows)
  foreach(skin RANGE ${last_skin})
    set(matching "${pictures}")
    list(FILTER matching INCLUDE REGEX "^${window}(-[^.]+)?-skin${skin}\\.png$")
    if(NOT matching)
      list(APPEND problems "${window}: no picture in skin ${skin}")
    endif()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "gallery: ${window_count} windows declared, ${picture_count} pictures:\n  ${text}")
endif()
message(STATUS "gallery: ${window_count} windows declared, each drawn in ${skins} skins (${picture_count} pictures)")
