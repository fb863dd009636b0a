#include "protocol/size_reply.h"

SizeReply decodeSizeReply(const std::array<uint8_t, 6>& bytes)
{
    SizeReply r;
    for (std::size_t i = 0; i < r.disks.size(); ++i)
        r.disks[i] = bytes[i + 1];
    r.sdBy16 = bytes[5];
    return r;
}
