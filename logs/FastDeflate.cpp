#include "FastDeflate.h"

#include <QLoggingCategory>

#include <hdf5.h>
#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

Q_LOGGING_CATEGORY(lcFastDeflate, "Logs.FastDeflate")

// HDF5's public H5Zregister refuses the ids of its own filters; the library's own
// registration, which it exports and which replaces a filter of the same id, does not.
extern "C" herr_t H5Z_register(const H5Z_class2_t *cls);

namespace {

// HDF5's deflate levels; libdeflate's 0 to 9 make zlib streams of the same kind.
constexpr unsigned MaxLevel = 9;
constexpr unsigned DefaultLevel = 6;
// A chunk that inflates beyond this is taken as corrupt.
constexpr size_t MaxInflatedSize = size_t(1) << 34;

struct FreeCompressor
{
    void operator()(libdeflate_compressor *compressor) const { libdeflate_free_compressor(compressor); }
};
struct FreeDecompressor
{
    void operator()(libdeflate_decompressor *decompressor) const { libdeflate_free_decompressor(decompressor); }
};

// HDF5 may filter on several threads (a thread-safe build); each thread keeps its own.
libdeflate_compressor *compressor(unsigned level)
{
    thread_local std::array<std::unique_ptr<libdeflate_compressor, FreeCompressor>, MaxLevel + 1> compressors;
    auto &made = compressors[level];
    if (!made)
        made.reset(libdeflate_alloc_compressor(int(level)));
    return made.get();
}

libdeflate_decompressor *decompressor()
{
    thread_local std::unique_ptr<libdeflate_decompressor, FreeDecompressor> made(libdeflate_alloc_decompressor());
    return made.get();
}

// The filter's buffer is HDF5's: a new one is allocated by HDF5 and replaces it.
size_t replaceBuffer(void *result, size_t size, size_t capacity, size_t *bufferSize, void **buffer)
{
    H5free_memory(*buffer);
    *buffer = result;
    *bufferSize = capacity;
    return size;
}

// The chunks compressed ahead that are alive, for the filter to look in.
std::mutex aheadLock;
std::vector<const fastdeflate::CompressedAhead *> aheadSets;

// Cheap to compute, and different for almost every two chunks: the size and a few
// samples of the bytes.
std::uint64_t fingerprint(std::span<const std::uint8_t> chunk)
{
    std::uint64_t value = chunk.size() * 0x9E3779B97F4A7C15ull;
    constexpr std::size_t Samples = 16;
    for (std::size_t i = 0; i < Samples && !chunk.empty(); ++i) {
        std::uint64_t word = 0;
        const std::size_t at = (chunk.size() - 1) * i / (Samples - 1);
        std::memcpy(&word, chunk.data() + at, std::min<std::size_t>(8, chunk.size() - at));
        value = (value ^ word) * 0x100000001B3ull + i;
    }
    return value;
}

std::vector<std::uint8_t> compressChunk(libdeflate_compressor *compress, std::span<const std::uint8_t> chunk)
{
    std::vector<std::uint8_t> out(libdeflate_zlib_compress_bound(compress, chunk.size()));
    out.resize(libdeflate_zlib_compress(compress, chunk.data(), chunk.size(), out.data(), out.size()));
    out.shrink_to_fit();
    return out;
}

size_t deflate(unsigned level, size_t size, size_t *bufferSize, void **buffer)
{
    {
        const std::span<const std::uint8_t> chunk(static_cast<const std::uint8_t *>(*buffer), size);
        const std::lock_guard lock(aheadLock);
        for (const fastdeflate::CompressedAhead *ahead : aheadSets) {
            if (const std::vector<std::uint8_t> *compressed = ahead->find(chunk, level)) {
                void *out = H5allocate_memory(compressed->size(), false);
                if (!out)
                    return 0;
                std::memcpy(out, compressed->data(), compressed->size());
                return replaceBuffer(out, compressed->size(), compressed->size(), bufferSize, buffer);
            }
        }
    }
    libdeflate_compressor *compress = compressor(level);
    if (!compress)
        return 0;
    const size_t bound = libdeflate_zlib_compress_bound(compress, size);
    void *out = H5allocate_memory(bound, false);
    if (!out)
        return 0;
    const size_t written = libdeflate_zlib_compress(compress, *buffer, size, out, bound);
    if (written == 0) {
        H5free_memory(out);
        return 0;
    }
    return replaceBuffer(out, written, bound, bufferSize, buffer);
}

size_t inflate(size_t size, size_t *bufferSize, void **buffer)
{
    libdeflate_decompressor *decompress = decompressor();
    if (!decompress)
        return 0;
    // The inflated size is not stored with the chunk: the room grows until it fits.
    for (size_t capacity = std::max({*bufferSize, 4 * size, size_t(4096)}); capacity <= MaxInflatedSize;
         capacity *= 2) {
        void *out = H5allocate_memory(capacity, false);
        if (!out)
            return 0;
        size_t inflated = 0;
        const libdeflate_result result = libdeflate_zlib_decompress(decompress, *buffer, size, out, capacity,
                                                                    &inflated);
        if (result == LIBDEFLATE_SUCCESS)
            return replaceBuffer(out, inflated, capacity, bufferSize, buffer);
        H5free_memory(out);
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE)
            return 0;
    }
    return 0;
}

// HDF5's filter call: returns the size of the data now in *buffer, 0 on failure.
size_t deflateFilter(unsigned flags, size_t parameterCount, const unsigned parameters[], size_t size,
                     size_t *bufferSize, void **buffer)
{
    if (flags & H5Z_FLAG_REVERSE)
        return inflate(size, bufferSize, buffer);
    const unsigned level = parameterCount > 0 ? std::min(parameters[0], MaxLevel) : DefaultLevel;
    return deflate(level, size, bufferSize, buffer);
}

} // namespace

namespace fastdeflate {

std::size_t matioChunkElements(std::size_t count)
{
    for (std::size_t elements = 4096; elements > 1; elements >>= 1)
        if (count >= elements)
            return elements;
    return 1;
}

CompressedAhead::CompressedAhead(std::span<const std::uint8_t> array, std::size_t chunkBytes, unsigned level)
    : m_array(array)
    , m_chunkBytes(chunkBytes)
    , m_level(std::min(level, MaxLevel))
{
    if (chunkBytes == 0 || array.empty())
        return;
    const std::size_t chunks = (array.size() + chunkBytes - 1) / chunkBytes;
    const std::span<const std::uint8_t> last = array.subspan((chunks - 1) * chunkBytes);
    m_lastChunk.assign(last.begin(), last.end());
    m_lastChunk.resize(chunkBytes, 0);
    m_compressed.resize(chunks);

    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        libdeflate_compressor *compress = compressor(m_level);
        for (std::size_t index = next++; index < chunks && compress; index = next++)
            m_compressed[index] = compressChunk(compress, chunkAt(index));
    };
    const std::size_t helpers = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), chunks) - 1;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < helpers; ++i)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();

    for (std::size_t index = 0; index < chunks; ++index)
        if (!m_compressed[index].empty())
            m_byFingerprint.emplace(fingerprint(chunkAt(index)), index);
    const std::lock_guard lock(aheadLock);
    aheadSets.push_back(this);
}

CompressedAhead::~CompressedAhead()
{
    const std::lock_guard lock(aheadLock);
    std::erase(aheadSets, this);
}

std::span<const std::uint8_t> CompressedAhead::chunkAt(std::size_t index) const
{
    if (index + 1 == m_compressed.size())
        return m_lastChunk;
    return m_array.subspan(index * m_chunkBytes, m_chunkBytes);
}

const std::vector<std::uint8_t> *CompressedAhead::find(std::span<const std::uint8_t> chunk, unsigned level) const
{
    if (level != m_level || chunk.size() != m_chunkBytes)
        return nullptr;
    const auto candidates = m_byFingerprint.equal_range(fingerprint(chunk));
    for (auto it = candidates.first; it != candidates.second; ++it) {
        const std::span<const std::uint8_t> candidate = chunkAt(it->second);
        if (std::memcmp(candidate.data(), chunk.data(), chunk.size()) == 0)
            return &m_compressed[it->second];
    }
    return nullptr;
}

bool registerForHdf5()
{
    static const bool registered = [] {
        const H5Z_class2_t filter{
            H5Z_CLASS_T_VERS, H5Z_FILTER_DEFLATE, 1, 1, "deflate (libdeflate)", nullptr, nullptr, deflateFilter,
        };
        // The library registers its own filters when it starts; ours comes after.
        if (H5open() < 0 || H5Z_register(&filter) < 0) {
            qCWarning(lcFastDeflate) << "HDF5 refused libdeflate as its deflate filter; zlib stays in use";
            return false;
        }
        return true;
    }();
    return registered;
}

} // namespace fastdeflate
