// The monthly work files' record as the record layer writes and reads it:
// the layout the stages share, parsed once, when compiling.
#pragma once

#include "recio/format.hpp"
#include "state/work_record.hpp"

namespace recio {

inline constexpr Format work_record_format = parse_format(tiral::work_record_layout);

}  // namespace recio
