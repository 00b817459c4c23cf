include(GoogleTest)

# Every *_test.cpp of the calling folder becomes one test program linked against LIBS and the
# shared test support (tests/support).
# Test cases are registered one by one with CTest; widget tests run offscreen. WIDGETS: the
# programs get a main() that makes a QApplication first (tests/support/qt_main).
function(vantrel_test_folder)
  cmake_parse_arguments(ARG "WIDGETS" "" "LIBS" ${ARGN})
  if(ARG_WIDGETS)
    set(main vantrel_test_qt_main)
  else()
    set(main GTest::gtest_main)
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
  foreach(src IN LISTS tests)
    get_filename_component(stem ${src} NAME_WE)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
    string(REPLACE "/" "_" prefix "${rel}")
    set(target "${prefix}_${stem}")
    add_executable(${target} ${src} ${support})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} vantrel_test_support GTest::gmock
                          ${main})
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endfunction()
