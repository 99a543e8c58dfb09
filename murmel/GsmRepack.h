#pragma once
// Repacking between the two layouts of GSM 06.10 full-rate speech that meet
// in this system: the 33-byte frame the modems store and ".gsm" files hold,
// and the 65-byte two-frame block of the WAVE format GSM 6.10 (tag 49) that
// the platform's audio codec takes and gives. Nothing here codes sound; the
// 76 coded parameters of a frame (260 bits) are only moved between layouts.
//
// Frame: 264 bits, most significant bit first, byte 0 first: the signature
// 0xD in the high nibble of byte 0, then the parameters in their order, each
// most significant bit first. Block: 520 bits, least significant bit first,
// byte 0 first: the first frame's parameters in bits 0..259, the second's in
// 260..519, each least significant bit first, no signature.
#include <cstdint>

// The coded parameters of one frame, in the order both layouts carry them
// (per sub-frame: Nc, bc, Mc, xmaxc, then its 13 xMc).
struct GsmFrameParameters {
    unsigned LARc[8];
    unsigned Nc[4];
    unsigned bc[4];
    unsigned Mc[4];
    unsigned xmaxc[4];
    unsigned xMc[52];  // sub-frame s holds xMc[13 s] .. xMc[13 s + 12]
};

constexpr int kGsmFrameBytes = 33;
constexpr int kGsmBlockBytes = 65;

// The record the repacking routines share: one per thread, so repackings on
// different threads cannot mix their frames.
GsmFrameParameters& GsmParameters();

// Reads one frame into the shared record. The signature nibble is not
// checked: a frame with another one unpacks the same.
void GsmFrameUnpack(const uint8_t* frame);
// Two frames back to back (66 bytes) to one block (65 bytes). The two
// buffers must not overlap.
void GsmPairToMsGsm(const uint8_t* pair, uint8_t* block);
// One block (65 bytes) to two frames (66 bytes), each with the signature
// 0xD. The two buffers must not overlap.
void MsGsmToGsmPair(const uint8_t* block, uint8_t* pair);
// The parameters to one frame; each parameter is cut to its width.
void GsmFramePack(const GsmFrameParameters& parameters, uint8_t* frame);
