# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/messaging
# Build directory: /work/wt-unity/bu2/tests/messaging
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bu2/tests/messaging/test_messaging[1]_include.cmake")
include("/work/wt-unity/bu2/tests/messaging/test_messaging_labels.cmake")
include("/work/wt-unity/bu2/tests/messaging/test_messaging_threads[1]_include.cmake")
include("/work/wt-unity/bu2/tests/messaging/test_messaging_threads_labels.cmake")
