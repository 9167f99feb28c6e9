# flazz_add_ui_library(<name> DEPENDS ... [QT ...] [NOT_DRAWN <window>...])
# A windows-layer library built from every source in its folder, with the
# pictures under art/ compiled in as resources ":/<name>/<file>". A folder
# without sources is a mistake (a misspelt or emptied folder), not a library
# to leave out quietly.
#
# Its windows are its frm*.h headers, as every window of the program is
# named; the gallery draws each of them (see flazz_declared_windows) except
# the NOT_DRAWN ones, which are never on screen.
function(flazz_add_ui_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;QT;NOT_DRAWN" ${ARGN})
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
  set_target_properties(${name} PROPERTIES FLAZZ_NOT_DRAWN "${ARG_NOT_DRAWN}")
  set_property(GLOBAL APPEND PROPERTY FLAZZ_WINDOW_LIBRARIES ${name})
endfunction()

# flazz_declared_windows(<library> <windows-var> <gallery-header-var>)
# The windows <library> declares, and the one <Name>Gallery.h of its folder
# whose register<Name>Windows(Gallery &) draws them (empty for a library
# without windows). A library with windows and no such header stops the
# configure step: its windows would silently never be drawn.
function(flazz_declared_windows library windows_var header_var)
  get_target_property(dir ${library} SOURCE_DIR)
  get_target_property(not_drawn ${library} FLAZZ_NOT_DRAWN)
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE "${dir}" "${dir}/frm*.h")
  set(windows "")
  foreach(header IN LISTS headers)
    get_filename_component(window "${header}" NAME_WE)
    if(NOT window IN_LIST not_drawn)
      list(APPEND windows ${window})
    endif()
  endforeach()
  set(header "")
  if(windows)
    file(GLOB galleries CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}/src" "${dir}/*Gallery.h")
    list(FILTER galleries INCLUDE REGEX "/[^/]+Gallery\\.h$") # not the gallery's own Gallery.h
    list(LENGTH galleries count)
    if(NOT count EQUAL 1)
      message(FATAL_ERROR "${library} has windows (${windows}) but ${count} *Gallery.h headers in ${dir}; "
                          "it needs exactly one, declaring register<Name>Windows(Gallery &)")
    endif()
    set(header "${galleries}")
  endif()
  set(${windows_var} "${windows}" PARENT_SCOPE)
  set(${header_var} "${header}" PARENT_SCOPE)
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
