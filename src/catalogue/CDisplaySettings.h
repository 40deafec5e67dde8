// The display settings of one file manager window that the catalogue
// follows: the sort method and its two keys, the detail columns, the
// display mode and the file search conditions. They are a habitab item
// (display/CHabitabItem.h): the window (its session) owns one, its drives
// point at it for their sorts and matches, and applying a habitab copies
// the habitab over it.
#pragma once

#include "display/CHabitabItem.h"

namespace vorlane::catalogue {

using CDisplaySettings = display::CHabitabItem;
using display::CSortKey;
using SortField = display::SortField;
using SortMethod = display::SortMethod;
using enum display::SortField;
using enum display::SortMethod;

} // namespace vorlane::catalogue
