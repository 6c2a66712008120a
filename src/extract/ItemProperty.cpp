#include "extract/ItemProperty.h"

#include "archive/Archive.h"
#include "support/Bytes.h"

void GetItemProperty(const Archive& archive, uint32_t itemIndex, uint32_t propertyId,
                     PROPVARIANT* value) {
  const FileItem& item = archive.Database.Files[itemIndex];
  PROPVARIANT local;
  FillBytes(&local, 0, sizeof local);
  local.vt = VT_EMPTY;
  switch (propertyId) {
    case PropPath: {
      WideString path(item.Name);
      path.Replace('/', '\\');
      local.bstrVal = SysAllocString(path.Units());
      if (local.bstrVal) {
        local.vt = VT_BSTR;
      } else {
        local.vt = VT_ERROR;
        local.scode = E_OUTOFMEMORY;
      }
      break;
    }
    case PropIsDirectory:
      local.vt = VT_BOOL;
      local.boolVal = item.IsDirectory ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case PropIsAnti:
      local.vt = VT_BOOL;
      local.boolVal = item.IsAnti ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case PropAttributes:
      if (item.AttributesDefined) {
        local.vt = VT_UI4;
        local.ulVal = item.Attributes;
      }
      break;
    case PropLastWriteTime:
      if (item.LastWriteTimeDefined) {
        local.vt = VT_FILETIME;
        local.filetime = item.LastWriteTime;
      }
      break;
    default:
      break;
  }
  // Moved into the caller's value: the local one is left empty.
  CopyBytes(value, &local, sizeof local);
  FillBytes(&local, 0, sizeof local);
}
