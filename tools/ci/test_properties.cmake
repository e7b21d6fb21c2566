# Checks that every test ctest knows in a build has a time limit and the
# tests' environment (tests/CMakeLists.txt's MOLVANE_TEST_ENV): a test without
# a TIMEOUT that hangs holds CI for ctest's default of 25 minutes, and one
# without the environment opens real windows and sound devices.
#
#   cmake -DBUILD=build/test -P tools/ci/test_properties.cmake
#
# Run after the build: GoogleTest's tests are only known once their programs
# are built. Fails (status 1) naming every test that lacks something.
cmake_minimum_required(VERSION 3.25)

if(NOT BUILD)
  message(FATAL_ERROR "usage: cmake -DBUILD=<build dir> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
if(NOT EXISTS "${BUILD}/CMakeCache.txt")
  message(FATAL_ERROR "molvane: ${BUILD} is not a configured build")
endif()
load_cache("${BUILD}" READ_WITH_PREFIX cache_ MOLVANE_TEST_ENV)
if(NOT cache_MOLVANE_TEST_ENV)
  message(FATAL_ERROR "molvane: ${BUILD} has no MOLVANE_TEST_ENV: configure it with -DBUILD_TESTING=ON")
endif()

execute_process(COMMAND "${CMAKE_CTEST_COMMAND}" --test-dir "${BUILD}" --show-only=json-v1
                OUTPUT_VARIABLE json RESULT_VARIABLE status ERROR_VARIABLE error)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "molvane: ctest --show-only=json-v1 failed: ${error}")
endif()

string(JSON count LENGTH "${json}" tests)
if(count EQUAL 0)
  message(FATAL_ERROR "molvane: ${BUILD} has no tests")
endif()

set(faults 0)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON name GET "${json}" tests ${i} name)
  set(timeout "")
  set(environment "")
  string(JSON properties ERROR_VARIABLE no_properties GET "${json}" tests ${i} properties)
  if(NOT no_properties)
    string(JSON property_count LENGTH "${properties}")
    if(property_count GREATER 0)
      math(EXPR last_property "${property_count} - 1")
      foreach(p RANGE ${last_property})
        string(JSON property GET "${properties}" ${p} name)
        if(property STREQUAL "TIMEOUT")
          string(JSON timeout GET "${properties}" ${p} value)
        elseif(property STREQUAL "ENVIRONMENT")
          string(JSON entries LENGTH "${properties}" ${p} value)
          math(EXPR last_entry "${entries} - 1")
          foreach(e RANGE ${last_entry})
            string(JSON entry GET "${properties}" ${p} value ${e})
            list(APPEND environment "${entry}")
          endforeach()
        endif()
      endforeach()
    endif()
  endif()

  set(lacks "")
  if(NOT timeout OR timeout LESS_EQUAL 0)
    list(APPEND lacks "a TIMEOUT")
  endif()
  foreach(wanted IN LISTS cache_MOLVANE_TEST_ENV)
    if(NOT wanted IN_LIST environment)
      list(APPEND lacks "${wanted}")
    endif()
  endforeach()
  if(lacks)
    list(JOIN lacks ", " lacks)
    message(NOTICE "molvane: test ${name} lacks ${lacks}")
    math(EXPR faults "${faults} + 1")
  endif()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "molvane: ${faults} of ${count} tests lack a time limit or the tests' environment "
                      "(register them with molvane_discover_tests in tests/CMakeLists.txt)")
endif()
list(JOIN cache_MOLVANE_TEST_ENV " " shown)
message(NOTICE "molvane: all ${count} tests have a TIMEOUT and ${shown}")
