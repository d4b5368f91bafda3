// The part of the setup's command line that is handed to the installer.
#pragma once

#include <string>
#include <string_view>

// Everything after the program-name token, as one blank followed by the rest unchanged; empty when
// nothing follows. Only the first token is interpreted: a leading quote runs to the next quote
// (or the end), otherwise the token ends at a blank or tab. The line ends at its first NUL.
std::u16string GetArgumentTail(std::u16string_view commandLine);
