#pragma once
#include <cstdint>

struct Archive;
class EntryWriter;

// Extracts entries 0 to itemCount - 1 of the archive through the writer: entries without
// data at once, each folder decoded once and cut into its entries.
void ExtractItems(Archive& archive, uint32_t itemCount, EntryWriter& writer);
