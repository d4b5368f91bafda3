# The native build: the portable core and its tests, optionally under a sanitizer.
if(VORNE_SANITIZE STREQUAL "address")
  set(sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
elseif(VORNE_SANITIZE STREQUAL "thread")
  set(sanitize_flags -fsanitize=thread)
elseif(NOT VORNE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VORNE_SANITIZE must be empty, address or thread")
endif()
if(sanitize_flags)
  add_compile_options(${sanitize_flags} -g)
  add_link_options(${sanitize_flags})
endif()

# GoogleTest built from Debian's sources, so that a sanitizer build instruments it too.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

add_library(vorne_native_platform STATIC
  platform/native/std_thread_api.cpp
)
target_link_libraries(vorne_native_platform PUBLIC vorne_core)

# Scripted, recording stand-ins for the Windows services.
add_library(vorne_fakes STATIC
  platform/fake/recording_poster.cpp
  platform/fake/fake_file_api.cpp
  platform/fake/fake_http_api.cpp
)
target_link_libraries(vorne_fakes PUBLIC vorne_core)

add_subdirectory(tests)
