// Turns one edited line text into the token bytes of the stored line.
#include <algorithm>

#include "flyseat/basic.hpp"

namespace flyseat {
namespace {

constexpr Byte kApostrophe = '\'';

struct Output {
  std::span<Byte> bytes;
  std::size_t count = 0;
  void put(Byte c) { bytes[count++] = c; }
};

// The text up to its first LF or zero byte.
std::span<const Byte> line_of(std::span<const Byte> text) {
  auto end =
      std::find_if(text.begin(), text.end(), [](Byte c) { return c == kLineFeed || c == 0; });
  return text.first(static_cast<std::size_t>(end - text.begin()));
}

bool keyword_at(std::span<const Byte> text, std::size_t p, std::string_view keyword) {
  if (keyword.size() > text.size() - p) return false;
  for (std::size_t i = 0; i < keyword.size(); ++i) {
    if (upper_case(text[p + i]) != static_cast<Byte>(keyword[i])) return false;
  }
  return true;
}

// The first keyword in token order that the text holds at p; 0 when none does.
Byte find_token(std::span<const Byte> text, std::size_t p) {
  for (Byte token : tokens_starting_with(upper_case(text[p]))) {
    if (keyword_at(text, p, keyword_text(token))) return token;
  }
  return 0;
}

void copy_byte(Output& out, LineModes& modes, Byte c) {
  out.put(c);
  modes.pass(c);
}

}  // namespace

std::size_t tokenize_line(std::span<const Byte> text, std::span<Byte> out_bytes,
                          ListingWatch& watch) {
  // Every step consumes at least one byte and puts out at most one, so reading no further
  // than `out_bytes` is large keeps every write inside it.
  std::span<const Byte> line = line_of(text.first(std::min(text.size(), out_bytes.size())));
  Output out{out_bytes};
  LineModes modes;
  std::size_t p = 0;
  while (p < line.size() && line[p] == ' ')
    ++p;
  while (p < line.size()) {
    Byte c = line[p];
    if (modes.copying()) {
      if (c >= 0x80) watch.high_byte(c, true);
      copy_byte(out, modes, c);
      ++p;
      continue;
    }
    c = upper_case(c);
    if (c == '!' || c == '#') {
      ++p;
      continue;
    }
    if (Byte token = find_token(line, p); token != 0) {
      out.put(token);
      p += keyword_text(token).size();
      modes.enter(token);
      continue;
    }
    if (c == kApostrophe) {
      out.put(kRemToken);
      modes.enter(kRemToken);
    } else {
      if (c >= kFirstToken) watch.high_byte(c, false);
      copy_byte(out, modes, c);
    }
    ++p;
  }
  return out.count;
}

}  // namespace flyseat
