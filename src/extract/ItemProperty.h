// The properties of an entry that the extraction asks the archive for, as PROPVARIANTs.
#pragma once
#include <cstdint>

#include "platform/win32.h"

struct Archive;

enum ItemPropertyId : uint32_t { PropPath, PropIsDirectory, PropAttributes, PropLastWriteTime, PropIsAnti };

// Fills value (which the caller releases with VariantClear); VT_EMPTY when not defined.
void GetItemProperty(const Archive& archive, uint32_t itemIndex, uint32_t propertyId,
                     PROPVARIANT* value);
