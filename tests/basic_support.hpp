// Helpers for the tests of the BASIC program conversion: listings as strings in, lines,
// texts and token bytes out.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "flyseat/basic.hpp"
#include "support.hpp"

namespace flyseat::test {

struct ReadLine {
  std::int32_t number;
  std::string text;  // up to its zero byte
  bool operator==(const ReadLine&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ReadLine& line) {
  return out << "{" << line.number << ", \"" << line.text << "\"}";
}

inline std::string text_of(std::span<const Byte> text) {
  std::string out;
  for (Byte c : text) {
    if (c == 0) break;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

// Every line that read_listing_line delivers for the listing, as read.
inline std::vector<ReadLine> read_all(const std::string& listing) {
  BytesSource in(text_bytes(listing), "list3.txt");
  ListingReader reader{&in.source};
  auto line = std::make_unique<LineBuffer>();
  std::vector<ReadLine> out;
  while (std::optional<ListingLine> read = read_listing_line(reader, *line))
    out.push_back({read->number, text_of(read->text)});
  return out;
}

// Every line of the listing as it reaches the tokenizer: read, then substituted.
inline std::vector<ReadLine> edit_all(const std::string& listing,
                                      SubstitutionCounts* fired = nullptr) {
  BytesSource in(text_bytes(listing), "list3.txt");
  ListingReader reader{&in.source};
  auto line = std::make_unique<LineBuffer>();
  auto scratch = std::make_unique<LineBuffer>();
  std::vector<ReadLine> out;
  while (std::optional<ListingLine> read = read_listing_line(reader, *line)) {
    if (!substitute_line(read->number, read->text, *scratch, fired)) {
      out.push_back({read->number, "(too long)"});
      continue;
    }
    out.push_back({read->number, text_of(read->text)});
  }
  return out;
}

// The token bytes of one line text.
inline Bytes tokens_of(const std::string& text) {
  Bytes in = text_bytes(text);
  Bytes out(in.size());
  out.resize(tokenize_line(in, out));
  return out;
}

}  // namespace flyseat::test
