# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/keyring
# Build directory: /work/wt-unity/bu2/tests/keyring
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bu2/tests/keyring/test_keyring[1]_include.cmake")
include("/work/wt-unity/bu2/tests/keyring/test_keyring_labels.cmake")
