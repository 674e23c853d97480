# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/zip
# Build directory: /work/wt-unity/bn/tests/zip
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bn/tests/zip/test_zip[1]_include.cmake")
include("/work/wt-unity/bn/tests/zip/test_zip_labels.cmake")
include("/work/wt-unity/bn/tests/zip/test_zip_slow[1]_include.cmake")
include("/work/wt-unity/bn/tests/zip/test_zip_slow_labels.cmake")
