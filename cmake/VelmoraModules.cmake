# Each folder of src/ is one module: its sources compile once into an object
# library (vm_<name>_obj); a static library of the same objects (vm_<name>)
# lets a test link just its module and the modules below it; the shared
# library libvelmora.so is made of the objects of every module.

set(VELMORA_MODULES "" CACHE INTERNAL "")

# velmora_module(<name> SOURCES <files...> [DEPENDS <modules...>] [LIBS <targets...>]
#                [PRIVATE_LIBS <targets...>])
# PRIVATE_LIBS are libraries that only the module's own sources include:
# they are linked, but their headers and flags stay out of the modules above.
function(velmora_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(vm_${name}_obj OBJECT ${ARG_SOURCES})
  set_target_properties(vm_${name}_obj PROPERTIES UNITY_BUILD ${VELMORA_UNITY})
  target_include_directories(vm_${name}_obj PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>)
  target_compile_definitions(vm_${name}_obj PRIVATE VELMORA_BUILDING)
  add_library(vm_${name} STATIC $<TARGET_OBJECTS:vm_${name}_obj>)
  target_include_directories(vm_${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>)
  foreach(dep ${ARG_DEPENDS})
    target_link_libraries(vm_${name}_obj PUBLIC vm_${dep}_obj)
    target_link_libraries(vm_${name} PUBLIC vm_${dep})
  endforeach()
  if(ARG_LIBS)
    target_link_libraries(vm_${name}_obj PUBLIC ${ARG_LIBS})
    target_link_libraries(vm_${name} PUBLIC ${ARG_LIBS})
  endif()
  if(ARG_PRIVATE_LIBS)
    target_link_libraries(vm_${name}_obj PRIVATE ${ARG_PRIVATE_LIBS})
    target_link_libraries(vm_${name} PRIVATE ${ARG_PRIVATE_LIBS})
  endif()
  set(VELMORA_MODULES ${VELMORA_MODULES} ${name} CACHE INTERNAL "")
endfunction()

function(velmora_shared_library)
  set(objects "")
  set(libs "")
  foreach(name ${VELMORA_MODULES})
    list(APPEND objects $<TARGET_OBJECTS:vm_${name}_obj>)
    get_target_property(module_libs vm_${name}_obj INTERFACE_LINK_LIBRARIES)
    foreach(lib ${module_libs})
      if(NOT lib MATCHES "^vm_")
        list(APPEND libs ${lib})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES libs)
  add_library(velmora SHARED ${objects})
  add_library(Velmora::velmora ALIAS velmora)
  set_target_properties(velmora PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    LINKER_LANGUAGE CXX)
  target_link_libraries(velmora PRIVATE ${libs})
  target_include_directories(velmora PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/velmora>)
endfunction()

# velmora_test(<name> SOURCES <files...> LIBS <targets...>)
# One test program per folder of tests/, its cases discovered by CTest.
function(velmora_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(test_${name} ${ARG_SOURCES})
  # The test programs' own code is unoptimised: it builds in two thirds of
  # the time, and what it exercises (the library, the test servers) keeps
  # its optimisation.
  target_compile_options(test_${name} PRIVATE -O0)
  set_target_properties(test_${name} PROPERTIES UNITY_BUILD ${VELMORA_UNITY})
  target_link_libraries(test_${name} PRIVATE ${ARG_LIBS} vm_test_support GTest::gtest GTest::gtest_main)
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT 120)
  # Lists do not survive the discovery's property list (only their first
  # item would stay), so the labels and the environment are set by a file
  # that CTest reads after the discovered tests. Each test keeps what the
  # library writes to the user's data and settings folders in a folder of
  # its own in the build tree, away from the home folder of whoever runs
  # them and from the other tests: what one remembers of a server (on a
  # loopback port another test may get next) never reaches another. No test
  # reaches the keyring of the desktop session it may be run from: the
  # session bus address leads nowhere (keyring tests start a session of
  # their own).
  set(test_home ${CMAKE_BINARY_DIR}/test-home)
  set(label_file ${CMAKE_CURRENT_BINARY_DIR}/test_${name}_labels.cmake)
  file(WRITE ${label_file}
    "if(test_${name}_TESTS)\n"
    "  set_tests_properties(\${test_${name}_TESTS} PROPERTIES LABELS \"${name};${ARG_LABELS}\")\n"
    "  foreach(test IN LISTS test_${name}_TESTS)\n"
    "    string(MAKE_C_IDENTIFIER \"\${test}\" folder)\n"
    "    set_tests_properties(\"\${test}\" PROPERTIES ENVIRONMENT\n"
    "      \"VELMORA_SOURCE_DIR=${PROJECT_SOURCE_DIR};XDG_DATA_HOME=${test_home}/\${folder}/data;"
    "XDG_CONFIG_HOME=${test_home}/\${folder}/config;DBUS_SESSION_BUS_ADDRESS=unix:path=${test_home}/no-session-bus\")\n"
    "  endforeach()\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_file})
endfunction()

function(velmora_install_package)
  include(CMakePackageConfigHelpers)
  install(TARGETS velmora EXPORT VelmoraTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/velmora
    FILES_MATCHING PATTERN "*.h"
    PATTERN "app" EXCLUDE PATTERN "cli" EXCLUDE)
  install(EXPORT VelmoraTargets NAMESPACE Velmora::
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Velmora)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VelmoraConfig.cmake.in
    ${PROJECT_BINARY_DIR}/VelmoraConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Velmora)
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/VelmoraConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/VelmoraConfig.cmake
    ${PROJECT_BINARY_DIR}/VelmoraConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Velmora)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/velmora.pc.in
    ${PROJECT_BINARY_DIR}/velmora.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/velmora.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
