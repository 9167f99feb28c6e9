# flazz_add_ui_library(<name> DEPENDS ... [OPTIONAL_DEPENDS ...] [QT ...])
# A windows-layer library built from every source in its folder, with the
# pictures under art/ compiled in as resources ":/<name>/<file>".
# OPTIONAL_DEPENDS are linked when those targets exist.
function(flazz_add_ui_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;OPTIONAL_DEPENDS;QT" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  if(NOT sources MATCHES "\\.cpp")
    return()
  endif()
  set(deps ${ARG_DEPENDS})
  foreach(dep IN LISTS ARG_OPTIONAL_DEPENDS)
    if(TARGET ${dep})
      list(APPEND deps ${dep})
    endif()
  endforeach()
  flazz_add_library(${name} LAYER windows SOURCES ${sources} DEPENDS ${deps} QT Core Gui Widgets Svg ${ARG_QT})
  file(GLOB art CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/art/*")
  if(art)
    qt_add_resources(${name} "${name}_art" PREFIX "/${name}" BASE "${CMAKE_CURRENT_SOURCE_DIR}/art" FILES ${art})
  endif()
endfunction()
