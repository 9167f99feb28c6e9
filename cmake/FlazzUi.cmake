# flazz_add_ui_library(<name> DEPENDS ... [QT ...])
# A windows-layer library built from every source in its folder, with the
# pictures under art/ compiled in as resources ":/<name>/<file>". A folder
# without sources is a mistake (a misspelt or emptied folder), not a library
# to leave out quietly.
function(flazz_add_ui_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;QT" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${name}: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  file(GLOB sources CONFIGURE_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  if(NOT sources MATCHES "\\.cpp")
    message(FATAL_ERROR "${name}: no sources in ${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  flazz_add_library(${name} LAYER windows SOURCES ${sources} DEPENDS ${ARG_DEPENDS} QT Core Gui Widgets Svg ${ARG_QT})
  file(GLOB art CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/art/*")
  if(art)
    qt_add_resources(${name} "${name}_art" PREFIX "/${name}" BASE "${CMAKE_CURRENT_SOURCE_DIR}/art" FILES ${art})
  endif()
endfunction()

# flazz_add_subdirectories(<folder>...)
# Adds each folder, which must exist, and fails when a folder below the
# current one has a CMakeLists.txt that is not in the list: a part left out
# of the build, by a typo or a forgotten line, would take its tests with it.
function(flazz_add_subdirectories)
  foreach(path IN LISTS ARGN)
    if(NOT EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${path}/CMakeLists.txt")
      message(FATAL_ERROR "No CMakeLists.txt in ${CMAKE_CURRENT_SOURCE_DIR}/${path}")
    endif()
    add_subdirectory(${path})
  endforeach()
  file(GLOB_RECURSE found RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}" CONFIGURE_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt")
  foreach(file IN LISTS found)
    get_filename_component(folder "${file}" DIRECTORY)
    if(NOT folder IN_LIST ARGN)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${folder} has a CMakeLists.txt but is not built: "
                          "list it in ${CMAKE_CURRENT_LIST_FILE}")
    endif()
  endforeach()
endfunction()
