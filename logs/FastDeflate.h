#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

// HDF5 compresses MAT-file (version 7.3) data with its deflate filter, through zlib.
// This makes libdeflate the implementation of that filter for the whole process: the
// data is the same zlib stream at the same level, which every HDF5 reader (h5py,
// MATLAB) takes as before, written several times faster. Reading goes through it too.
namespace fastdeflate {

// Registers the filter once; later calls do nothing. False when HDF5 refused it (the
// library's own deflate filter then stays in place).
bool registerForHdf5();

// Chunks compressed ahead, on every processor core. HDF5 hands its filter one chunk
// at a time; a chunk whose bytes are found here is taken as it was compressed
// instead of being compressed again on HDF5's one thread. What is found here is
// checked byte for byte, so a guess that does not fit only costs the time it took.
// The chunks stay while the object lives; the array must stay unchanged as long.
class CompressedAhead
{
public:
    // The chunks HDF5 makes of array when it stores it in chunks of chunkBytes,
    // compressed at level; the last one is filled up with zero bytes.
    CompressedAhead(std::span<const std::uint8_t> array, std::size_t chunkBytes, unsigned level);
    ~CompressedAhead();
    CompressedAhead(const CompressedAhead &) = delete;
    CompressedAhead &operator=(const CompressedAhead &) = delete;

    // The compressed form of chunk, or null when it is not one of these.
    const std::vector<std::uint8_t> *find(std::span<const std::uint8_t> chunk, unsigned level) const;

private:
    std::span<const std::uint8_t> chunkAt(std::size_t index) const;

    std::span<const std::uint8_t> m_array;
    std::size_t m_chunkBytes;
    unsigned m_level;
    std::vector<std::uint8_t> m_lastChunk; // filled up to chunkBytes
    std::vector<std::vector<std::uint8_t>> m_compressed;
    std::unordered_multimap<std::uint64_t, std::size_t> m_byFingerprint;
};

// The elements in each chunk of a one-dimensional array of count elements, as
// matio chunks the arrays it compresses (at most 4096, a power of two).
std::size_t matioChunkElements(std::size_t count);

} // namespace fastdeflate
