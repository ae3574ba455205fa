#pragma once
// A board's side of the peripheral (video mode) write: the record's values in the status block.

#include "le_bytes.h"
#include "qorsim.h"

namespace qorsim {

// Status block offsets of the audio mode flags and sampling value after the video mode.
inline constexpr std::size_t kAudioFlags = 130;
inline constexpr std::size_t kAudioSampling = 132;

// Takes a 16-byte peripheral record (configuration type 7/8): the mode code, size and audio
// flags appear in the status block; the sampling value is the board's own and stays.
void applyPeripheral(BoardState& board, qor::Bytes record);

}  // namespace qorsim
