if(test_zip_TESTS)
  set_tests_properties(${test_zip_TESTS} PROPERTIES LABELS "zip;")
  foreach(test IN LISTS test_zip_TESTS)
    string(MAKE_C_IDENTIFIER "${test}" folder)
    set_tests_properties("${test}" PROPERTIES ENVIRONMENT
      "VELMORA_SOURCE_DIR=/work/wt-unity;XDG_DATA_HOME=/work/wt-unity/bu/test-home/${folder}/data;XDG_CONFIG_HOME=/work/wt-unity/bu/test-home/${folder}/config;DBUS_SESSION_BUS_ADDRESS=unix:path=/work/wt-unity/bu/test-home/no-session-bus")
  endforeach()
endif()
