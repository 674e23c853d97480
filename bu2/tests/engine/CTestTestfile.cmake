# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/engine
# Build directory: /work/wt-unity/bu2/tests/engine
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bu2/tests/engine/test_engine[1]_include.cmake")
include("/work/wt-unity/bu2/tests/engine/test_engine_labels.cmake")
include("/work/wt-unity/bu2/tests/engine/test_mover[1]_include.cmake")
include("/work/wt-unity/bu2/tests/engine/test_mover_labels.cmake")
include("/work/wt-unity/bu2/tests/engine/test_mirror[1]_include.cmake")
include("/work/wt-unity/bu2/tests/engine/test_mirror_labels.cmake")
