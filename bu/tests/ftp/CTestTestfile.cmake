# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/ftp
# Build directory: /work/wt-unity/bu/tests/ftp
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bu/tests/ftp/test_ftp[1]_include.cmake")
include("/work/wt-unity/bu/tests/ftp/test_ftp_labels.cmake")
