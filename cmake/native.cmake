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
  # The portable core was made before this file was read, so the directory's options above did
  # not reach it: the code under test must be instrumented as well as the tests.
  target_compile_options(vorne_core PRIVATE ${sanitize_flags} -g)
endif()

# GoogleTest built from Debian's sources, so that a sanitizer build instruments it too. It takes
# our sanitizer flags but not our warnings: whether its sources pass -Werror depends on the
# compiler, the optimisation level and the sanitizer (GCC 12's -Wrestrict fires inside it in an
# optimised TSan build), and that is not ours to fix. Our own targets keep -Wall -Wextra -Werror.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
get_directory_property(vorne_compile_options COMPILE_OPTIONS)
set(third_party_compile_options ${vorne_compile_options})
list(REMOVE_ITEM third_party_compile_options ${VORNE_WARNING_OPTIONS})
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${third_party_compile_options}")
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${vorne_compile_options}")
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
