// The Content-Length header's text, read strictly: only used where WinHTTP cannot give the value
// as a number (Wine's WinHTTP refuses WINHTTP_QUERY_FLAG_NUMBER64).
#pragma once

#include <cstdint>
#include <string_view>

// True with `value` when `text` is one or more ASCII digits whose number fits in 64 bits. No sign,
// no blank, no other character; the caller applies the size limits.
bool ParseContentLength(std::u16string_view text, std::uint64_t& value);
