# CMake generated Testfile for 
# Source directory: /work/wt-unity/tests
# Build directory: /work/wt-unity/bu2/tests
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[package]=] "/work/wt-unity/tests/package/check_package.sh" "/work/wt-unity/bu2" "/work/wt-unity")
set_tests_properties([=[package]=] PROPERTIES  LABELS "package" TIMEOUT "300" _BACKTRACE_TRIPLES "/work/wt-unity/tests/CMakeLists.txt;15;add_test;/work/wt-unity/tests/CMakeLists.txt;0;")
add_test([=[layering]=] "/work/wt-unity/tests/support/check_layering.sh" "/work/wt-unity/src")
set_tests_properties([=[layering]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/wt-unity/tests/CMakeLists.txt;21;add_test;/work/wt-unity/tests/CMakeLists.txt;0;")
subdirs("support")
subdirs("platform")
subdirs("base")
subdirs("objects")
subdirs("paths")
subdirs("messaging")
subdirs("ftp")
subdirs("zip")
subdirs("tasks")
subdirs("db")
subdirs("engine")
subdirs("db_engine")
subdirs("keyring")
subdirs("cli")
subdirs("app")
