# hostprefd_library(NAME DEPS...): a static library of every .cpp file in the calling
# directory (not below it). A directory that has no sources yet becomes an interface
# library, so layers can be filled in without touching the build of the others.
function(hostprefd_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# hostprefd_test(NAME DEPS...): one GoogleTest executable of every .cpp file in the calling
# directory, registered with CTest under NAME. Tests run with the source tree's fixtures and
# the build directory in the environment so they can find the binaries they start.
function(hostprefd_test name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  # In a unity build each test file is included into one generated file, and g++ then
  # takes fixtures kept in anonymous namespaces for types from a header.
  target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "HOSTPREFD_BUILD_DIR=${CMAKE_BINARY_DIR};HOSTPREFD_SOURCE_DIR=${CMAKE_SOURCE_DIR};HOSTPREFD_FIXTURES=${CMAKE_SOURCE_DIR}/tests/fixtures"
    TIMEOUT 600)
endfunction()
