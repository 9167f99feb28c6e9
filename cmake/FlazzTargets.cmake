# Shared compile settings and the layering rule.
#
# Every library declares its layer. A target may link only targets of its own
# layer or below, so a connector that reaches for a window, or a toolkit class
# that reaches for a flow, fails at configure time instead of in review:
#   platform < toolkit < connectors < flows < windows < app
# Only the "windows" and "app" layers may link Qt Widgets.

add_library(flazz_common_cfg INTERFACE)
target_compile_options(flazz_common_cfg INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wno-missing-field-initializers>)
target_compile_definitions(flazz_common_cfg INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER)

set(FLAZZ_LAYERS platform toolkit connectors flows windows app)

function(_flazz_layer_index layer out)
  list(FIND FLAZZ_LAYERS "${layer}" idx)
  if(idx EQUAL -1)
    message(FATAL_ERROR "Unknown layer '${layer}' (known: ${FLAZZ_LAYERS})")
  endif()
  set(${out} ${idx} PARENT_SCOPE)
endfunction()

# flazz_add_library(<name> LAYER <layer> SOURCES ... [DEPENDS ...] [QT ...] [LIBS ...])
#   DEPENDS: other flazz_* libraries (checked against the layer rule)
#   QT:      Qt modules without the Qt6:: prefix
#   LIBS:    any other link items (PkgConfig targets and the like)
function(flazz_add_library name)
  cmake_parse_arguments(ARG "" "LAYER" "SOURCES;DEPENDS;QT;LIBS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${name}: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  _flazz_layer_index("${ARG_LAYER}" my_idx)
  add_library(${name} STATIC ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES FLAZZ_LAYER "${ARG_LAYER}")
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PRIVATE flazz_common_cfg)
  foreach(dep IN LISTS ARG_DEPENDS)
    if(NOT TARGET ${dep})
      message(FATAL_ERROR "${name}: dependency ${dep} is not defined yet (add_subdirectory order)")
    endif()
    get_target_property(dep_layer ${dep} FLAZZ_LAYER)
    _flazz_layer_index("${dep_layer}" dep_idx)
    if(dep_idx GREATER my_idx)
      message(FATAL_ERROR "Layering: ${name} (${ARG_LAYER}) must not depend on ${dep} (${dep_layer})")
    endif()
    target_link_libraries(${name} PUBLIC ${dep})
  endforeach()
  foreach(mod IN LISTS ARG_QT)
    if(mod STREQUAL "Widgets" OR mod STREQUAL "WebEngineWidgets" OR mod STREQUAL "PrintSupport" OR mod STREQUAL "SvgWidgets")
      if(my_idx LESS 4)
        message(FATAL_ERROR "Layering: ${name} (${ARG_LAYER}) must not link Qt ${mod}; windows live in ui/ targets")
      endif()
    endif()
    target_link_libraries(${name} PUBLIC Qt6::${mod})
  endforeach()
  # LIBS is for outside libraries only: our own libraries and Qt's modules
  # there would slip past the layer rule above.
  foreach(lib IN LISTS ARG_LIBS)
    if(lib MATCHES "^flazz_" OR lib MATCHES "^Qt[0-9]*::")
      message(FATAL_ERROR "${name}: ${lib} belongs in DEPENDS or QT, where the layer rule sees it")
    endif()
  endforeach()
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
endfunction()

# flazz_add_executable(<name> SOURCES ... DEPENDS ...)
function(flazz_add_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;QT;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE flazz_common_cfg ${ARG_DEPENDS} ${ARG_LIBS})
  foreach(mod IN LISTS ARG_QT)
    target_link_libraries(${name} PRIVATE Qt6::${mod})
  endforeach()
endfunction()

# flazz_add_test(<name> [WIDGETS] SOURCES ... DEPENDS ... [LABELS ...] [TIMEOUT s]
#                [RESOURCE_LOCK name])
# WIDGETS: the test main creates a QApplication (offscreen) instead of a
# QCoreApplication. RESOURCE_LOCK: cases that hold something of the machine's
# (a fixed port) and must not run beside another holder.
# One GoogleTest executable; each test case becomes its own CTest entry so a
# failure names the case, and every case runs offscreen with a private
# settings/registry/shell-folder root.
function(flazz_add_test name)
  cmake_parse_arguments(ARG "WIDGETS" "TIMEOUT;RESOURCE_LOCK" "SOURCES;DEPENDS;LABELS;QT;LIBS" ${ARGN})
  if(ARG_WIDGETS)
    set(test_main flazz_test_main_widgets)
  else()
    set(test_main flazz_test_main)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE flazz_common_cfg ${test_main} flazz_testsupport ${ARG_DEPENDS} ${ARG_LIBS}
    GTest::gtest GTest::gmock)
  foreach(mod IN LISTS ARG_QT)
    target_link_libraries(${name} PRIVATE Qt6::${mod})
  endforeach()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(lock "")
  if(ARG_RESOURCE_LOCK)
    set(lock RESOURCE_LOCK "${ARG_RESOURCE_LOCK}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      TIMEOUT ${ARG_TIMEOUT}
      LABELS "${ARG_LABELS}"
      ${lock}
      # One variable only: discovery passes just the first of a list on.
      # The widget tests' main sets what the web engine needs itself.
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
