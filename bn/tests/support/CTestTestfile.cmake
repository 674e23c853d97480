# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/support
# Build directory: /work/wt-unity/bn/tests/support
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
