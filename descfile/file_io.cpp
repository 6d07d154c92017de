#include <cstring>

#include "descfile/file_io.h"

namespace {

uint64_t RotateLeft(uint64_t value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

// One 8-byte word scrambled so that each of its bits reaches every bit of the digest.
uint64_t Scrambled(uint64_t word) {
    return RotateLeft(word * 0x87c37b91114253d5ULL, 31) * 0x4cf5ad432745937fULL;
}

}  // namespace

const char NotRegularFileReason[] = "It is not a regular file.";
const char TooLargeFileReason[] = "It is larger than 256 MB, the most the program reads.";

uint64_t DigestOfBytes(std::string_view bytes) {
    // Murmur3's 64-bit mixing, a word at a time: a save reads the file again before replacing it, so
    // this is on the save's path and must cost little more than the read.
    uint64_t digest = bytes.size();
    size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + at, 8);
        digest = RotateLeft(digest ^ Scrambled(word), 27) * 5 + 0x52dce729;
    }
    uint64_t tail = 0;
    std::memcpy(&tail, bytes.data() + at, bytes.size() - at);
    digest ^= Scrambled(tail);
    for (uint64_t factor : {0xff51afd7ed558ccdULL, 0xc4ceb9fe1a85ec53ULL}) {
        digest = (digest ^ (digest >> 33)) * factor;
    }
    return digest ^ (digest >> 33);
}
