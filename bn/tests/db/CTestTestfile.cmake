# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/db
# Build directory: /work/wt-unity/bn/tests/db
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bn/tests/db/test_db[1]_include.cmake")
include("/work/wt-unity/bn/tests/db/test_db_labels.cmake")
