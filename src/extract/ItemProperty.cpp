#include "extract/ItemProperty.h"

#include "archive/Archive.h"

ItemProperties GetItemProperties(const Archive& archive, uint32_t itemIndex) {
  const FileItem& item = archive.Database.Files[itemIndex];
  ItemProperties properties;
  properties.Path = item.Name;
  properties.Path.Replace('/', '\\');
  properties.IsDirectory = item.IsDirectory;
  properties.IsAnti = item.IsAnti;
  properties.AttributesDefined = item.AttributesDefined;
  properties.Attributes = item.Attributes;
  properties.LastWriteTimeDefined = item.LastWriteTimeDefined;
  properties.LastWriteTime = item.LastWriteTime;
  return properties;
}
