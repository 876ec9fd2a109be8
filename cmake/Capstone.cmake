# Capstone 4.0.2 as the target kestrivo_capstone.
# Natively: Debian's libcapstone-dev, found through pkg-config, its static archive preferred.
# For Windows: the static library that tools/build-capstone-mingw.sh builds,
# found under KESTRIVO_CAPSTONE_ROOT (include/ and lib/libcapstone.a).
add_library(kestrivo_capstone INTERFACE)
if(WIN32)
  set(KESTRIVO_CAPSTONE_ROOT "" CACHE PATH "Capstone built for this Windows target")
  find_library(KESTRIVO_CAPSTONE_LIB NAMES capstone PATHS ${KESTRIVO_CAPSTONE_ROOT}/lib
               NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  target_include_directories(kestrivo_capstone INTERFACE ${KESTRIVO_CAPSTONE_ROOT}/include)
  target_link_libraries(kestrivo_capstone INTERFACE ${KESTRIVO_CAPSTONE_LIB})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CAPSTONE REQUIRED capstone)
  # Link the static archive when there is one: loading and relocating the
  # shared library costs about 10 ms per run, more than listing a small DLL.
  find_library(KESTRIVO_CAPSTONE_LIB NAMES libcapstone.a capstone HINTS ${CAPSTONE_LIBRARY_DIRS} REQUIRED)
  target_include_directories(kestrivo_capstone INTERFACE ${CAPSTONE_INCLUDE_DIRS})
  target_link_libraries(kestrivo_capstone INTERFACE ${KESTRIVO_CAPSTONE_LIB})
endif()
