# catalog_add_test(NAME name SOURCES ... LIBS ...): one GoogleTest executable run by CTest.
function(catalog_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE project_options test_support ${T_LIBS}
    GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "CATALOG_SOURCE_DIR=${CMAKE_SOURCE_DIR};CATALOG_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
