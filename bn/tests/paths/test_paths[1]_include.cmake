if(EXISTS "/work/wt-unity/bn/tests/paths/test_paths")
  if(NOT EXISTS "/work/wt-unity/bn/tests/paths/test_paths[1]_tests.cmake" OR
     NOT "/work/wt-unity/bn/tests/paths/test_paths[1]_tests.cmake" IS_NEWER_THAN "/work/wt-unity/bn/tests/paths/test_paths" OR
     NOT "/work/wt-unity/bn/tests/paths/test_paths[1]_tests.cmake" IS_NEWER_THAN "${CMAKE_CURRENT_LIST_FILE}")
    include("/usr/share/cmake-3.25/Modules/GoogleTestAddTests.cmake")
    gtest_discover_tests_impl(
      TEST_EXECUTABLE [==[/work/wt-unity/bn/tests/paths/test_paths]==]
      TEST_EXECUTOR [==[]==]
      TEST_WORKING_DIR [==[/work/wt-unity/bn/tests/paths]==]
      TEST_EXTRA_ARGS [==[]==]
      TEST_PROPERTIES [==[TIMEOUT;120]==]
      TEST_PREFIX [==[]==]
      TEST_SUFFIX [==[]==]
      TEST_FILTER [==[]==]
      NO_PRETTY_TYPES [==[FALSE]==]
      NO_PRETTY_VALUES [==[FALSE]==]
      TEST_LIST [==[test_paths_TESTS]==]
      CTEST_FILE [==[/work/wt-unity/bn/tests/paths/test_paths[1]_tests.cmake]==]
      TEST_DISCOVERY_TIMEOUT [==[5]==]
      TEST_XML_OUTPUT_DIR [==[]==]
    )
  endif()
  include("/work/wt-unity/bn/tests/paths/test_paths[1]_tests.cmake")
else()
  add_test(test_paths_NOT_BUILT test_paths_NOT_BUILT)
endif()
