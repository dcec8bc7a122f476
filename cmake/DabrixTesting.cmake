# dabrix_add_test(<name> [GUI] SOURCES <files...> LIBS <targets...>)
# Builds one GoogleTest executable with a Qt event loop in main() and registers its
# tests with CTest. GUI tests get a QApplication (offscreen unless told otherwise).
include(GoogleTest)
function(dabrix_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE dabrix_test_main_gui)
  else()
    target_link_libraries(${name} PRIVATE dabrix_test_main_core)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
