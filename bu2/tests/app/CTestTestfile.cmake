# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests/app
# Build directory: /work/wt-unity/bu2/tests/app
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/wt-unity/bu2/tests/app/test_app[1]_include.cmake")
include("/work/wt-unity/bu2/tests/app/test_app_labels.cmake")
include("/work/wt-unity/bu2/tests/app/test_app_keyring[1]_include.cmake")
include("/work/wt-unity/bu2/tests/app/test_app_keyring_labels.cmake")
add_test([=[app_walkthrough]=] "/usr/bin/python3" "/work/wt-unity/tests/app/walkthrough/walkthrough.py" "/work/wt-unity/bu2/src/app/parcelo" "/work/wt-unity/bu2/src/cli/parcelo-cli" "/work/wt-unity/tests/support/ftpd.py")
set_tests_properties([=[app_walkthrough]=] PROPERTIES  LABELS "walkthrough" RESOURCE_LOCK "x_desktop" SKIP_RETURN_CODE "77" TIMEOUT "180" _BACKTRACE_TRIPLES "/work/wt-unity/tests/app/CMakeLists.txt;56;add_test;/work/wt-unity/tests/app/CMakeLists.txt;0;")
add_test([=[app_drag_and_drop]=] "/usr/bin/python3" "/work/wt-unity/tests/app/walkthrough/drag_and_drop.py" "/work/wt-unity/bu2/src/app/parcelo" "/work/wt-unity/bu2/src/cli/parcelo-cli" "/work/wt-unity/tests/support/ftpd.py" "/work/wt-unity/bu2/tests/support/dnd_peer")
set_tests_properties([=[app_drag_and_drop]=] PROPERTIES  LABELS "walkthrough" RESOURCE_LOCK "x_desktop" SKIP_RETURN_CODE "77" TIMEOUT "180" _BACKTRACE_TRIPLES "/work/wt-unity/tests/app/CMakeLists.txt;63;add_test;/work/wt-unity/tests/app/CMakeLists.txt;0;")
