# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/base
# Build directory: /work/wt-unity/bn/tests/base
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bn/tests/base/test_base[1]_include.cmake")
include("/work/wt-unity/bn/tests/base/test_base_labels.cmake")
