#pragma once
#include <cstdint>

// Mirror move parameter: one direction bit, plus the mirror chosen in the side group.
enum MirrorDirection : uint8_t { MirrorUp = 0x01, MirrorDown = 0x02, MirrorLeft = 0x04, MirrorRight = 0x08 };
// sideIndex: 0 "Left" (0x10), 1 "Right" (0x20), anything else no side.
uint8_t mirrorMoveParameter(uint8_t directionBit, int sideIndex);
