# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/paths
# Build directory: /work/wt-unity/bu2/tests/paths
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bu2/tests/paths/test_paths[1]_include.cmake")
include("/work/wt-unity/bu2/tests/paths/test_paths_labels.cmake")
