// The BASIC program: listing reader, line substitution, keyword tokenizer, program image.
#pragma once

#include <cstdint>

#include "flyseat/io.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

// Converts the whole open listing into line records and the end marker in the program
// buffer of `work`; returns the program length.
std::int32_t convert_listing(Source& listing, WorkArea& work);

}  // namespace flyseat
