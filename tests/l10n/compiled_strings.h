// The program's string tables as the resource compiler builds them, for the native tests.
#pragma once

#include <string>
#include <vector>

#include "tests/fakes/fake_resource_api.h"
#include "tests/l10n/res_file.h"

// Every entry of the compiled string resource file.
bool ReadCompiledStrings(std::vector<ResEntry>& entries, std::string& error);

// Puts every string block (RT_STRING) of the compiled file into `resources`.
bool LoadCompiledStrings(FakeResourceApi& resources, std::string& error);
