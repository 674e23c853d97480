if(test_tasks_TESTS)
  set_tests_properties(${test_tasks_TESTS} PROPERTIES LABELS "tasks;")
  foreach(test IN LISTS test_tasks_TESTS)
    string(MAKE_C_IDENTIFIER "${test}" folder)
    set_tests_properties("${test}" PROPERTIES ENVIRONMENT
      "VELMORA_SOURCE_DIR=/work/wt-unity;XDG_DATA_HOME=/work/wt-unity/bu2/test-home/${folder}/data;XDG_CONFIG_HOME=/work/wt-unity/bu2/test-home/${folder}/config;DBUS_SESSION_BUS_ADDRESS=unix:path=/work/wt-unity/bu2/test-home/no-session-bus")
  endforeach()
endif()
