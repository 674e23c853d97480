# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/platform
# Build directory: /work/wt-unity/bu2/tests/platform
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bu2/tests/platform/test_platform[1]_include.cmake")
include("/work/wt-unity/bu2/tests/platform/test_platform_labels.cmake")
