# Included by tests/win32/CMakeLists.txt for pipeline_verify_test (${name}): the program makes the
# second test root a trusted root of the test prefix, as a machine with another trusted CA has.
target_link_libraries(${name} PRIVATE crypt32)
