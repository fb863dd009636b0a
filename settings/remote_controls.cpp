#include "settings/remote_controls.h"

uint8_t mirrorMoveParameter(uint8_t directionBit, int sideIndex)
{
    uint8_t side = 0;
    if (sideIndex == 0)
        side = 0x10;  // "Left"
    else if (sideIndex == 1)
        side = 0x20;  // "Right"
    return static_cast<uint8_t>(side | directionBit);
}
