#----------------------------------------------------------------
# Generated CMake target import file for configuration "Release".
#----------------------------------------------------------------

# Commands may need to know the format version.
set(CMAKE_IMPORT_FILE_VERSION 1)

# Import target "Velmora::velmora" for configuration "Release"
set_property(TARGET Velmora::velmora APPEND PROPERTY IMPORTED_CONFIGURATIONS RELEASE)
set_target_properties(Velmora::velmora PROPERTIES
  IMPORTED_LOCATION_RELEASE "${_IMPORT_PREFIX}/lib/libvelmora.so.0.1.0"
  IMPORTED_SONAME_RELEASE "libvelmora.so.0"
  )

list(APPEND _cmake_import_check_targets Velmora::velmora )
list(APPEND _cmake_import_check_files_for_Velmora::velmora "${_IMPORT_PREFIX}/lib/libvelmora.so.0.1.0" )

# Commands beyond this point should not need to know the version.
set(CMAKE_IMPORT_FILE_VERSION)
