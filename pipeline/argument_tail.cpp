#include "pipeline/argument_tail.h"

std::u16string GetArgumentTail(std::u16string_view commandLine) {
  const std::size_t end = commandLine.find(u'\0');
  const std::u16string_view line = commandLine.substr(0, end);
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };

  std::size_t i = 0;
  if (i < line.size() && line[i] == u'"') {
    ++i;
    while (i < line.size() && line[i] != u'"') {
      ++i;
    }
    if (i < line.size()) {
      ++i;  // the closing quote; no blank needs to follow it
    }
  } else {
    while (i < line.size() && !blank(line[i])) {
      ++i;
    }
  }
  while (i < line.size() && blank(line[i])) {
    ++i;
  }
  if (i == line.size()) {
    return {};
  }
  std::u16string tail(1, u' ');
  tail.append(line.substr(i));
  return tail;
}
