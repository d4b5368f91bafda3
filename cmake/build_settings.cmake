# The vendor's values, fixed at build time (there is no configuration at run time), and the guard
# that keeps a release build from shipping the test values.
#
# Included by pipeline/CMakeLists.txt, which writes the checked values into build_settings.h. Also
# runs on its own, so that every refusal can be tried in a fraction of a second:
#   cmake -DVORNE_SIGNER_KEY_PINS=... -DVORNE_RELEASE=ON ... -P cmake/build_settings.cmake
# Sets VORNE_SIGNER_KEY_PINS_TEXT: the checked pins joined with ';', for the generated header.
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

set(VORNE_TEST_SIGNER "VORNE Sandbox Test Signing")
set(VORNE_PIN_COMMAND
    "openssl pkey -in KEY -pubout -outform DER | openssl dgst -sha256 -binary | base64")

if(CMAKE_SCRIPT_MODE_FILE)
  # No cache here: what -D did not give takes the default of the configure step.
  if(NOT DEFINED VORNE_DOWNLOAD_HOST)
    set(VORNE_DOWNLOAD_HOST "download.vorne-sandbox.example")
  endif()
  if(NOT DEFINED VORNE_EXPECTED_SIGNER)
    set(VORNE_EXPECTED_SIGNER "${VORNE_TEST_SIGNER}")
  endif()
  if(NOT DEFINED VORNE_SIGNER_KEY_PINS)
    set(VORNE_SIGNER_KEY_PINS "")
  endif()
  if(NOT DEFINED VORNE_RELEASE)
    set(VORNE_RELEASE OFF)
  endif()
else()
  set(VORNE_DOWNLOAD_HOST "download.vorne-sandbox.example" CACHE STRING
      "Host name of the vendor's download server, built into the program")
  set(VORNE_EXPECTED_SIGNER "${VORNE_TEST_SIGNER}" CACHE STRING
      "Subject CN that the downloaded installer's signing certificate must carry, compared exactly; empty accepts any trusted signer")
  set(VORNE_SIGNER_KEY_PINS "" CACHE STRING
      "Base64 SHA-256 digests of the signing key's DER SubjectPublicKeyInfo, separated by ';'; empty accepts any key")
  option(VORNE_RELEASE "Refuse test values for the download host, the signer and the key pins" OFF)
endif()

# Each pin is the base64 of a 32-byte digest: 43 digits and one '='. 256 bits fill the 43 digits
# but for their last two bits, which must be zero, so only every fourth digit can end a pin.
# A CMake list from the command line (-DVORNE_SIGNER_KEY_PINS=a;b) is the same text as the
# semicolon-separated string; list() and foreach(IN LISTS) keep its empty entries, so a stray ';'
# is seen.
function(vorne_check_key_pins out_pins)
  string(REPEAT "[A-Za-z0-9+/]" 42 body)
  set(pins "")
  if(NOT VORNE_SIGNER_KEY_PINS STREQUAL "")
    foreach(pin IN LISTS VORNE_SIGNER_KEY_PINS)
      string(LENGTH "${pin}" length)
      if(pin STREQUAL "")
        set(problem "an empty entry (one ';' too many)")
      elseif(NOT length EQUAL 44)
        set(problem "${length} characters instead of 44")
      elseif(NOT pin MATCHES "^${body}.=$")
        set(problem "not base64 (43 of A-Z a-z 0-9 + / and a closing '=')")
      elseif(NOT pin MATCHES "^${body}[AEIMQUYcgkosw048]=$")
        set(problem "its 43rd character has bits set past the 32 bytes of a digest (mistyped?)")
      elseif(pin IN_LIST pins)
        set(problem "given twice")
      else()
        list(APPEND pins "${pin}")
        continue()
      endif()
      message(FATAL_ERROR
        "VORNE_SIGNER_KEY_PINS: the entry '${pin}' is not a key pin: ${problem}. A pin is the "
        "base64 SHA-256 of the signing key's DER SubjectPublicKeyInfo, pins are separated by "
        "';'. This prints the pin of a key:\n  ${VORNE_PIN_COMMAND}\n")
    endforeach()
  endif()
  set(${out_pins} "${pins}" PARENT_SCOPE)
endfunction()

function(vorne_check_build_settings)
  if(NOT VORNE_DOWNLOAD_HOST MATCHES "^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?$")
    message(FATAL_ERROR "VORNE_DOWNLOAD_HOST must be a plain host name: '${VORNE_DOWNLOAD_HOST}'")
  endif()
  if(VORNE_EXPECTED_SIGNER MATCHES "[\"\\\\]")
    message(FATAL_ERROR "VORNE_EXPECTED_SIGNER must not contain quotes or backslashes")
  endif()
  vorne_check_key_pins(pins)
  list(LENGTH pins count)

  if(count EQUAL 0)
    set(keys "with any key")
  elseif(count EQUAL 1)
    set(keys "with the one pinned key")
  else()
    set(keys "with one of ${count} pinned keys")
  endif()
  if(VORNE_EXPECTED_SIGNER STREQUAL "")
    set(signer "by any trusted signer")
  else()
    set(signer "by '${VORNE_EXPECTED_SIGNER}'")
  endif()
  set(accepts "downloads from ${VORNE_DOWNLOAD_HOST}, accepts installers signed ${signer} ${keys}")

  if(NOT VORNE_RELEASE)
    message(STATUS "VorneSandboxSetup: development build — ${accepts}; "
                   "not for release (set -DVORNE_RELEASE=ON)")
  else()
    # The host name is matched as DNS does, without regard to case.
    string(TOLOWER "${VORNE_DOWNLOAD_HOST}" host)
    set(refusals "")
    if(host STREQUAL "example" OR host MATCHES "\\.example$")
      string(APPEND refusals "\n  VORNE_DOWNLOAD_HOST is '${VORNE_DOWNLOAD_HOST}', under the "
                             "reserved .example domain: set the vendor's download host.")
    endif()
    if(VORNE_EXPECTED_SIGNER STREQUAL "")
      string(APPEND refusals "\n  VORNE_EXPECTED_SIGNER is empty, which accepts any trusted "
                             "signer: set the subject CN of the vendor's signing certificate.")
    elseif(VORNE_EXPECTED_SIGNER STREQUAL VORNE_TEST_SIGNER)
      string(APPEND refusals "\n  VORNE_EXPECTED_SIGNER is '${VORNE_TEST_SIGNER}', the test "
                             "signing name: set the subject CN of the vendor's signing "
                             "certificate.")
    endif()
    if(count EQUAL 0)
      string(APPEND refusals "\n  VORNE_SIGNER_KEY_PINS is empty, which accepts any key: pin the "
                             "vendor's signing keys. This prints the pin of a key:\n    "
                             "${VORNE_PIN_COMMAND}")
    endif()
    if(NOT refusals STREQUAL "")
      message(FATAL_ERROR "VORNE_RELEASE=ON refuses these build settings:${refusals}\n")
    endif()
    message(STATUS "VorneSandboxSetup: release build — ${accepts}")
  endif()

  list(JOIN pins ";" text)
  set(VORNE_SIGNER_KEY_PINS_TEXT "${text}" PARENT_SCOPE)
endfunction()

vorne_check_build_settings()
