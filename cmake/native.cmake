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

# What only the tests use: the std::thread platform (tests/native/) and the scripted, recording
# stand-ins (tests/fakes/). Nothing of either is part of the program.
file(GLOB native_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_library(vorne_native_platform STATIC ${native_sources})
target_link_libraries(vorne_native_platform PUBLIC vorne_core)

file(GLOB fake_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fakes/*.cpp)
add_library(vorne_fakes STATIC ${fake_sources})
target_link_libraries(vorne_fakes PUBLIC vorne_core)

add_subdirectory(tests)
# The build's own checks: the trust settings and the release guard.
add_subdirectory(tests/build)
