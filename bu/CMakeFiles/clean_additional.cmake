# Additional clean files
cmake_minimum_required(VERSION 3.16)

if("${CONFIG}" STREQUAL "" OR "${CONFIG}" STREQUAL "Release")
  file(REMOVE_RECURSE
  "src/app/CMakeFiles/parcelo_core_autogen.dir/AutogenUsed.txt"
  "src/app/CMakeFiles/parcelo_core_autogen.dir/ParseCache.txt"
  "src/app/parcelo_core_autogen"
  "tests/app/CMakeFiles/test_app_autogen.dir/AutogenUsed.txt"
  "tests/app/CMakeFiles/test_app_autogen.dir/ParseCache.txt"
  "tests/app/test_app_autogen"
  )
endif()
