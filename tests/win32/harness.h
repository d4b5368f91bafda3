// A minimal test harness for the programs that run the Windows code under Wine: GoogleTest is not
// part of the cross build, and these programs stay small and quick to start.
#pragma once

#include <cstdint>
#include <cstdio>

using WineTestFunction = void (*)();

struct WineTestRegistrar {
  WineTestRegistrar(const char* name, WineTestFunction function);
};

void WineCheck(bool ok, const char* expression, const char* file, int line);
void WineCheckEq(std::uint64_t actual, std::uint64_t expected, const char* expression,
                 const char* file, int line);

#define WINE_TEST(name)                                          \
  static void name();                                            \
  static const WineTestRegistrar name##_registrar(#name, &name); \
  static void name()

#define CHECK(condition) WineCheck((condition), #condition, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected)                                                      \
  WineCheckEq(static_cast<std::uint64_t>(actual), static_cast<std::uint64_t>(expected), \
              #actual " == " #expected, __FILE__, __LINE__)
