#pragma once
#include <cstdint>

class InputFile;

// Scans from the file's current position for the archive signature, examining whole
// 65,536-byte blocks while their first offset is within limit of the start. Returns the
// offset of the signature and leaves the file positioned just past it; ends the run otherwise.
uint32_t FindSignature(InputFile& file, uint32_t limit);
