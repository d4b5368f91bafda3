# Included by tests/win32/CMakeLists.txt for text_fit_test (${name}): the program lays out the real
# string tables, linked in as the exe carries them. Each table's figures are formatted in that
# table's locale, so the user's own settings play no part; they are fixed all the same.
target_sources(${name} PRIVATE ${VORNE_STRINGS_RC})
add_dependencies(${name} vorne_strings_rc)
set_tests_properties(wine.${name} PROPERTIES ENVIRONMENT LC_ALL=en_US.UTF-8)
