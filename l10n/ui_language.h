// The choice of the UI language among the string tables the module carries.
#pragma once

#include <string>

#include "platform/langid.h"
#include "platform/locale_api.h"
#include "platform/resource_api.h"

// The language every string is loaded in. English (United States) until ChooseUiLanguage finds a
// better one. Written once on the UI thread before any window or worker exists; read-only after.
extern LangId g_uiLanguage;

// Picks the table language that best serves the user's preferred UI languages and stores it in
// g_uiLanguage. Every failure leads towards English; nothing is reported. UI thread, at start-up.
void ChooseUiLanguage(const ResourceApi& resources, const LocaleApi& locale);

// Both string blocks the program uses (7: ids 96-111, 8: ids 112-127) exist in exactly `language`,
// as the resource enumeration lists them (block 7 first; block 8 only when block 7 is there). A
// lookup by language cannot tell: it succeeds for a regional language that lacks a block whenever
// its neutral language has one.
bool HasStringBlocks(const ResourceApi& resources, LangId language);

// The code units of `localeName` before its first hyphen; the whole name when it has none.
std::u16string LanguagePrefix(const std::u16string& localeName);

// `localeName` contains "Hant", "-TW", "-HK" or "-MO" (case-sensitive).
bool HasTraditionalMarker(const std::u16string& localeName);

// For a Chinese `candidate`, its script (traditional for Taiwan, Hong Kong SAR and Macao SAR,
// simplified otherwise) agrees with the script `localeName` asks for; always true for other
// languages.
bool ChineseScriptMatches(LangId candidate, const std::u16string& localeName);
