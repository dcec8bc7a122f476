cmake_minimum_required(VERSION 3.25)
# Fails when a source file includes a header of a layer above its own, or when code below
# app/ includes a Qt Widgets header. Run by CTest (test "layering"):
#   cmake -DSOURCE_DIR=<tree> -DWIDGETS_DIR=<QtWidgets include dir> -DGUI_DIR=<QtGui include dir>
#         -P CheckLayering.cmake
#
# The layers, lowest first, and the project folders each may include (comma-separated). manager/ and comm/
# are tied both ways on purpose: the manager owns the connection collection, and the items
# use the manager's shared device types (manager/KTXComm2Types.h) and nothing else of it.
set(layers
  "platform/|platform/"
  "transport/|platform/,transport/"
  "manager/KTXComm2Types|platform/,transport/,manager/KTXComm2Types"
  "comm/|platform/,transport/,manager/KTXComm2Types,comm/"
  "manager/|platform/,transport/,manager/,comm/"
  "app/gauge/|platform/,manager/KTXComm2Types,app/gauge/"
  "app/readings/|app/readings/"
)
# Folders below app/ that must stay free of Qt Widgets.
set(widget_free platform/ transport/ comm/ manager/ app/gauge/ app/readings/)

file(GLOB widget_headers RELATIVE "${WIDGETS_DIR}" "${WIDGETS_DIR}/*")
file(GLOB gui_headers RELATIVE "${GUI_DIR}" "${GUI_DIR}/*")
if(NOT widget_headers)
  message(FATAL_ERROR "no Qt Widgets headers in '${WIDGETS_DIR}'")
endif()
# Headers that Qt Gui has as well (QAction, ...) are no sign of Widgets.
list(REMOVE_ITEM widget_headers ${gui_headers})

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}"
  "${SOURCE_DIR}/platform/*" "${SOURCE_DIR}/transport/*" "${SOURCE_DIR}/manager/*"
  "${SOURCE_DIR}/comm/*" "${SOURCE_DIR}/app/*")
list(FILTER sources INCLUDE REGEX "\\.(h|cpp)$")

set(faults "")
set(checked 0)
foreach(file IN LISTS sources)
  # The most specific layer whose folder holds the file.
  set(allowed "")
  set(best 0)
  foreach(layer IN LISTS layers)
    string(REPLACE "|" ";" parts "${layer}")
    string(REPLACE "," ";" parts "${parts}")
    list(GET parts 0 prefix)
    string(LENGTH "${prefix}" len)
    string(FIND "${file}" "${prefix}" at)
    if(at EQUAL 0 AND len GREATER best)
      set(best ${len})
      list(SUBLIST parts 1 -1 allowed)
    endif()
  endforeach()
  string(FIND "${file}" "/tests/" in_tests)
  if(NOT in_tests EQUAL -1)
    list(APPEND allowed "tests/")  # test support and simulated devices
  endif()
  set(check_widgets FALSE)
  foreach(prefix IN LISTS widget_free)
    string(FIND "${file}" "${prefix}" at)
    if(at EQUAL 0 AND in_tests EQUAL -1)
      set(check_widgets TRUE)
    endif()
  endforeach()

  file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  math(EXPR checked "${checked} + 1")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
    if(best GREATER 0 AND header MATCHES "^(platform|transport|manager|comm|app|tests|tools)/")
      set(ok FALSE)
      foreach(prefix IN LISTS allowed)
        string(FIND "${header}" "${prefix}" at)
        if(at EQUAL 0)
          set(ok TRUE)
        endif()
      endforeach()
      if(NOT ok)
        list(APPEND faults "${file}: includes ${header}, a layer it must not use")
      endif()
    endif()
    if(check_widgets)
      get_filename_component(name "${header}" NAME)
      if(header MATCHES "^QtWidgets/" OR name IN_LIST widget_headers)
        list(APPEND faults "${file}: includes the Qt Widgets header ${header}")
      endif()
    endif()
  endforeach()
endforeach()

if(checked LESS 50)
  message(FATAL_ERROR "only ${checked} files found below '${SOURCE_DIR}'")
endif()
if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "${text}")
endif()
message(STATUS "layering: ${checked} files, every include points downwards")
