// How many folders are encoded at once. Each folder in flight, from reading its files to
// writing its packed streams, holds its encoder and its data; the tool uses at most three
// quarters of the memory available when it starts, and never plans more folders in flight
// than that holds (always at least one, as a single encoder always ran).
#pragma once
#include <cstddef>
#include <cstdint>

#include "pack/LzmaEncoder.h"
#include "system/MachineResources.h"

// Memory one folder of folderSize bytes holds while in flight: the encoder with the dictionary
// the folder gets, plus four times the data (the data itself, BCJ2's split streams, and an
// output buffer that may grow to twice the data on incompressible input).
uint64_t FolderMemory(uint64_t folderSize, const LzmaSettings& settings);

// Three quarters of the memory available now; 0 when that is unknown.
uint64_t UsableMemory();

struct EncoderBudget {
  unsigned encoders = 1;
  bool limitedByMemory = false;  // fewer than requested because of memory
};

// requested encoders (at least 1), cut to the folder count and to what usableMemory holds
// at folderMemory each; unknown memory (0) allows one.
EncoderBudget PlanEncoders(unsigned requested, size_t folders, uint64_t folderMemory,
                           uint64_t usableMemory);
