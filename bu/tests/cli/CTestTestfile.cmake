# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/cli
# Build directory: /work/wt-unity/bu/tests/cli
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bu/tests/cli/test_cli[1]_include.cmake")
include("/work/wt-unity/bu/tests/cli/test_cli_labels.cmake")
include("/work/wt-unity/bu/tests/cli/test_cli_units[1]_include.cmake")
include("/work/wt-unity/bu/tests/cli/test_cli_units_labels.cmake")
include("/work/wt-unity/bu/tests/cli/test_cli_realservers[1]_include.cmake")
include("/work/wt-unity/bu/tests/cli/test_cli_realservers_labels.cmake")
