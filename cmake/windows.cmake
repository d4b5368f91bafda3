# The Windows program and the test programs that run the Windows code under Wine.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0A00 WINVER=0x0A00)
# Small: no exceptions or RTTI anywhere in the program, unused sections dropped.
add_compile_options(-Os -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections)
add_link_options(-static -municode -Wl,--gc-sections)

# System DLLs bound on first call. kernel32, user32 and advapi32 stay bound at load time.
function(vorne_delay_library name dll)
  set(out ${CMAKE_BINARY_DIR}/delay/lib${name}_delay.a)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
    COMMAND ${CMAKE_SOURCE_DIR}/tools/make-delay-lib.sh ${dll}
            /usr/i686-w64-mingw32/lib/lib${name}.a ${out}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-delay-lib.sh
    VERBATIM)
  add_custom_target(delay_${name} DEPENDS ${out})
  add_library(delay::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(delay::${name} PROPERTIES IMPORTED_LOCATION ${out})
  add_dependencies(delay::${name} delay_${name})
endfunction()
vorne_delay_library(winhttp WINHTTP.dll)

add_library(vorne_win32_platform STATIC
  platform/win32/win32_platform.cpp
)
target_link_libraries(vorne_win32_platform PUBLIC vorne_core delay::winhttp)

add_executable(VorneSandboxSetup WIN32 app/main_win32.cpp)
target_link_libraries(VorneSandboxSetup PRIVATE vorne_win32_platform)
target_link_options(VorneSandboxSetup PRIVATE -mwindows -s)

add_subdirectory(tests/win32)
