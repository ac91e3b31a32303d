# One static library per layer, built from every source file of its folder, so that adding a
# file needs no edit of a shared list.
function(quelvara_layer name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(quelvara_${name} STATIC ${sources})
    target_include_directories(quelvara_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(quelvara_${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(quelvara_${name} INTERFACE)
    target_include_directories(quelvara_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(quelvara_${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One GoogleTest program per test folder.
function(quelvara_test_suite name)
  cmake_parse_arguments(ARG "" "" "DEPS;PROPERTIES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${name} ${sources})
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(test_${name} PRIVATE
    QUELVARA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QUELVARA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${ARG_PROPERTIES})
endfunction()
