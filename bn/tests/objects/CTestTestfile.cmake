# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/objects
# Build directory: /work/wt-unity/bn/tests/objects
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bn/tests/objects/test_objects[1]_include.cmake")
include("/work/wt-unity/bn/tests/objects/test_objects_labels.cmake")
