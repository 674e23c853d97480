# CMake generated Testfile for 
# Source directory: /work/wt-unity
# Build directory: /work/wt-unity/bu
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("src/platform")
subdirs("src/base")
subdirs("src/objects")
subdirs("src/paths")
subdirs("src/messaging")
subdirs("src/ftp")
subdirs("src/zip")
subdirs("src/tasks")
subdirs("src/db")
subdirs("src/engine")
subdirs("src/db_engine")
subdirs("src/cli")
subdirs("src/app")
subdirs("bench")
subdirs("tests")
