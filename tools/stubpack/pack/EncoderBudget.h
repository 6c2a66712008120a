// How many folders are encoded at once. Each folder being encoded, from reading its files to
// the end of its encoding, holds an encoder and its data; an encoded folder that waits for an
// earlier one to be written holds only its packed streams. The tool uses at most three
// quarters of the memory available when it starts: it never plans more folders encoded at
// once than that holds (always at least one, as a single encoder always ran), and it starts
// no folder while those being encoded, counted at the largest folder's figure, and the
// waiting ones would take more.
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
