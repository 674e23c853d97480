# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/tasks
# Build directory: /work/wt-unity/bn/tests/tasks
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bn/tests/tasks/test_tasks[1]_include.cmake")
include("/work/wt-unity/bn/tests/tasks/test_tasks_labels.cmake")
