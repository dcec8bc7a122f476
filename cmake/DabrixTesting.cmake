# dabrix_add_test(<name> [GUI] [UMOCKDEV] SOURCES <files...> LIBS <targets...>)
# Builds one GoogleTest executable with a Qt event loop in main() and registers its
# tests with CTest. GUI tests get a QApplication (offscreen unless told otherwise).
# UMOCKDEV tests run under umockdev-wrapper, whose preloaded library sends /sys, /dev and
# udev's netlink socket to the testbed a test builds (tests/support/UsbTestbed.h).
include(GoogleTest)
function(dabrix_add_test name)
  cmake_parse_arguments(T "GUI;UMOCKDEV" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_UMOCKDEV)
    find_program(DABRIX_UMOCKDEV_WRAPPER umockdev-wrapper REQUIRED)
    set(wrapper ${DABRIX_UMOCKDEV_WRAPPER})
    if(DABRIX_SANITIZE STREQUAL "address")
      # The wrapper's library is loaded ahead of the ASan runtime, which ASan refuses
      # unless told not to check.
      set(wrapper env ASAN_OPTIONS=verify_asan_link_order=0 ${DABRIX_UMOCKDEV_WRAPPER})
    endif()
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${wrapper}")
    target_link_libraries(${name} PRIVATE dabrix_usb_testbed)
  endif()
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
