// The reply to an ICMP echo request: any bytes a socket hands on are judged without reading past
// them, a size is given only for a reply that fits in them, and the reply the request expects,
// built from the same bytes, is always recognized.

#include "FuzzSupport.h"

#include "platform/IcmpEcho.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The first bytes say what is expected: raw or datagram, identifier, sequence, where the
    // token lies; the next eight are the token, the rest the message.
    if (size < 14)
        return 0;
    Echo_Expected expected;
    expected.Raw = data[0] & 1;
    expected.Identifier = quint16(data[1] << 8 | data[2]);
    expected.Sequence = quint16(data[3] << 8 | data[4]);
    expected.Token_Offset = 8 + data[5] % 64;
    expected.Token = QByteArray(reinterpret_cast<const char *>(data + 6), 8);
    // A copy of its own, so that a read past the message's end is caught.
    const std::vector<unsigned char> message(data + 14, data + size);
    const int judged = Echo_Reply_Size(message.data(), message.size(), expected);
    Fuzz_Check(judged >= 0 && size_t(judged) <= message.size(), "a reply fits in the message");

    std::vector<unsigned char> reply(size_t(expected.Raw ? 20 : 0) + size_t(expected.Token_Offset) +
                                     8);
    unsigned char *icmp = reply.data();
    if (expected.Raw) {
        reply[0] = 0x45;
        icmp += 20;
    }
    icmp[4] = static_cast<unsigned char>(expected.Identifier >> 8);
    icmp[5] = static_cast<unsigned char>(expected.Identifier);
    icmp[6] = static_cast<unsigned char>(expected.Sequence >> 8);
    icmp[7] = static_cast<unsigned char>(expected.Sequence);
    std::copy(data + 6, data + 14, icmp + expected.Token_Offset);
    Fuzz_Check(Echo_Reply_Size(reply.data(), reply.size(), expected) ==
                   int(reply.size()) - (expected.Raw ? 20 : 0),
               "the expected reply is recognized");
    return 0;
}
