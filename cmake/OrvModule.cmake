# orv_module(NAME DIR [DEPS...])
# One static library from every .cpp directly in DIR, linked to the modules it
# may use. A folder with no sources yet gives an interface library, so the
# tree configures at every stage of its growth.
function(orv_module name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  if(_src)
    add_library(${name} STATIC ${_src})
    target_link_libraries(${name} PUBLIC orv_options ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE orv_options ${ARGN})
  endif()
endfunction()

# orv_test(MODULE [LIBS...])
# One GoogleTest executable from tests/MODULE/*.cpp, registered with CTest.
function(orv_test module)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${module}/*.cpp)
  if(NOT _src)
    return()
  endif()
  add_executable(test_${module} ${_src})
  target_link_libraries(test_${module} PRIVATE ${ARGN} orv_testsupport
                        GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(test_${module} PRIVATE
    ORV_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
    ORV_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${module} COMMAND test_${module})
  set_tests_properties(${module} PROPERTIES TIMEOUT 600)
endfunction()
