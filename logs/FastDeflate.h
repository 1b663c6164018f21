#pragma once

// HDF5 compresses MAT-file (version 7.3) data with its deflate filter, through zlib.
// This makes libdeflate the implementation of that filter for the whole process: the
// data is the same zlib stream at the same level, which every HDF5 reader (h5py,
// MATLAB) takes as before, written several times faster. Reading goes through it too.
namespace fastdeflate {

// Registers the filter once; later calls do nothing. False when HDF5 refused it (the
// library's own deflate filter then stays in place).
bool registerForHdf5();

} // namespace fastdeflate
