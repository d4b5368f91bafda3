# The Windows program and the test programs that run the Windows code under Wine.
enable_language(RC)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0A00 WINVER=0x0A00)
# Small: no exceptions or RTTI anywhere in the program, so no unwind tables either (nothing ever
# unwinds a frame; they were an eighth of the image), unused sections dropped.
# Float arithmetic in SSE registers, rounded to float at every step as in the native build (x87
# would keep excess precision and could size the window one pixel differently). Windows 10 needs
# SSE2 anyway.
set(vorne_windows_options -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
                          -ffunction-sections -fdata-sections -msse2 -mfpmath=sse)
add_compile_options(${vorne_windows_options})
# The portable core was declared before this file was read, so the directory options above do not
# reach it; without them it would be built with exceptions, unwinder and all.
target_compile_options(vorne_core PRIVATE ${vorne_windows_options})
add_link_options(-static -municode -Wl,--gc-sections)

# System DLLs bound on first call, after the DLL search path has been restricted to System32.
# kernel32, user32 and advapi32 stay bound at load time.
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
# oleacc, ole32 and oleaut32 serve screen readers only, and load when the first one asks.
set(delayed d2d1:d2d1.dll dwrite:DWrite.dll dwmapi:dwmapi.dll winhttp:WINHTTP.dll
            wintrust:WINTRUST.dll bcrypt:bcrypt.dll oleacc:OLEACC.dll ole32:ole32.dll
            oleaut32:OLEAUT32.dll)
foreach(entry ${delayed})
  string(REPLACE ":" ";" pair ${entry})
  vorne_delay_library(${pair})
  list(GET pair 0 name)
  list(APPEND delay_targets delay::${name})
endforeach()

# The Windows implementations of the platform interfaces: every file in platform/win32/.
file(GLOB win32_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/win32/*.cpp)
add_library(vorne_win32_platform STATIC ${win32_sources})
target_link_libraries(vorne_win32_platform PUBLIC vorne_core ${delay_targets})

# The program's Windows composition (app/win32/): start-up calls, the window class and procedure,
# the paint entry and the real pipeline's wiring. The exe adds its entry point; the Wine test
# programs link the same pieces.
file(GLOB win32_app_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/win32/*.cpp)
list(REMOVE_ITEM win32_app_sources ${CMAKE_SOURCE_DIR}/app/win32/main.cpp)
add_library(vorne_win32_app STATIC ${win32_app_sources})
# IID_IAccessible and the other interface ids are data in the static libuuid.
target_link_libraries(vorne_win32_app PUBLIC vorne_win32_platform uuid)

# Resources: the UI string tables, generated from resources/strings/*.txt, and every resource
# script in resources/.
file(GLOB string_tables CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/strings/*.txt)
set(strings_rc ${CMAKE_BINARY_DIR}/resources/strings.rc)
add_custom_command(
  OUTPUT ${strings_rc}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
  COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/make_strings_rc.py
          ${CMAKE_SOURCE_DIR}/resources/strings ${strings_rc}
  DEPENDS ${string_tables} ${CMAKE_SOURCE_DIR}/tools/make_strings_rc.py
  VERBATIM)
file(GLOB resource_scripts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.rc)
set(VORNE_RESOURCES ${strings_rc} ${resource_scripts})
# Icon group 1, rendered from its vector source; resources/app.rc names it as "logo.ico".
set(logo_ico ${CMAKE_BINARY_DIR}/resources/logo.ico)
add_custom_command(
  OUTPUT ${logo_ico}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
  COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/make_icon.py
          ${CMAKE_SOURCE_DIR}/resources/icon/logo.svg ${logo_ico}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/icon/logo.svg ${CMAKE_SOURCE_DIR}/tools/make_icon.py
  VERBATIM)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/app.rc PROPERTIES
  OBJECT_DEPENDS "${logo_ico};${CMAKE_SOURCE_DIR}/resources/app.manifest")
# Test programs in other directories link the same generated script: they depend on this target,
# so that one rule writes the file before any of them compiles it.
set(VORNE_STRINGS_RC ${strings_rc})
add_custom_target(vorne_strings_rc DEPENDS ${strings_rc})

add_executable(VorneSandboxSetup WIN32 app/win32/main.cpp ${VORNE_RESOURCES})
add_dependencies(VorneSandboxSetup vorne_strings_rc)
target_link_libraries(VorneSandboxSetup PRIVATE vorne_win32_app)
target_link_options(VorneSandboxSetup PRIVATE -mwindows -s)
target_include_directories(VorneSandboxSetup PRIVATE ${CMAKE_BINARY_DIR}/resources
                                                     ${CMAKE_SOURCE_DIR}/resources)
# Linked by lld, which writes the delay-import directory that GNU ld leaves empty.
set_property(TARGET VorneSandboxSetup PROPERTY RULE_LAUNCH_LINK
             "${CMAKE_SOURCE_DIR}/tools/link-lld.sh ${CMAKE_CXX_COMPILER}")

add_subdirectory(tests/win32)
add_subdirectory(bench)
# The real window under Wine needs an X display: tests/e2e/test_window.py runs this program inside
# Xvfb (it is not one of the display-less Wine tests above).
add_executable(window_gui_check tests/win32/window_gui_check.cpp tests/win32/harness.cpp)
target_link_libraries(window_gui_check PRIVATE vorne_win32_app)
target_link_options(window_gui_check PRIVATE -mconsole)
# Linked as the exe is: GNU ld resolves the delay-loaded COM functions (ole32's CoInitializeEx) to
# address 0 here, which the window's accessibility object calls.
set_property(TARGET window_gui_check PROPERTY RULE_LAUNCH_LINK
             "${CMAKE_SOURCE_DIR}/tools/link-lld.sh ${CMAKE_CXX_COMPILER}")
add_subdirectory(tests/e2e)
# The build's own checks: a second build of the exe gives the same bytes.
add_subdirectory(tests/build)

# Test tooling: runs a program and records its full exit code (Wine's own is cut to 8 bits).
add_executable(run_and_report tools/win32/run_and_report.cpp)
target_link_options(run_and_report PRIVATE -mconsole)
