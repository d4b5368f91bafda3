# Included by tests/win32/CMakeLists.txt for l10n_win32_test (${name}): the program carries the
# real string tables, and runs once per user setting it checks. Wine takes the preferred UI
# language and the regional settings from LC_ALL; the Debian locale need not be generated for that.
target_sources(${name} PRIVATE ${VORNE_STRINGS_RC})
add_dependencies(${name} vorne_strings_rc)

# The plain entry: English (United States) for both.
set_tests_properties(wine.${name} PROPERTIES ENVIRONMENT LC_ALL=en_US.UTF-8)
# <locale> <expected LANGID> <number style: en = 1,024.0, de = 1.024,0> <first preferred name>
# British English has no table of its own: it reaches the US one by its language code, while the
# preferred list must still name en-GB.
foreach(run "de_DE;0x0007;de;de-DE" "pt_BR;0x0816;de;pt-BR" "zh_TW;0x0404;en;zh-TW"
            "en_GB;0x0409;en;en-GB")
  list(GET run 0 unix_locale)
  list(GET run 1 langid)
  list(GET run 2 numbers)
  list(GET run 3 preferred)
  add_test(NAME wine.${name}.${unix_locale} COMMAND ${name} ${langid} ${numbers} ${preferred})
  set_tests_properties(wine.${name}.${unix_locale} PROPERTIES
    ENVIRONMENT LC_ALL=${unix_locale}.UTF-8 TIMEOUT 300 RESOURCE_LOCK wine)
endforeach()
