#include "FastDeflate.h"

#include <QLoggingCategory>

#include <hdf5.h>
#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <memory>

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

size_t deflate(unsigned level, size_t size, size_t *bufferSize, void **buffer)
{
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
        const libdeflate_result result =
            libdeflate_zlib_decompress(decompress, *buffer, size, out, capacity, &inflated);
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
