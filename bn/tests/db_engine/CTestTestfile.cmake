# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/db_engine
# Build directory: /work/wt-unity/bn/tests/db_engine
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bn/tests/db_engine/test_db_engine[1]_include.cmake")
include("/work/wt-unity/bn/tests/db_engine/test_db_engine_labels.cmake")
