"""Times how long h5py takes to write the arrays of a MAT-file that the converter wrote.

The arrays are read first (not timed); then every dataset is written again, with
the same shape, type, chunks and compression, into a new HDF5 file in the same
groups. Prints the seconds the writing took.
"""
import sys
import time

import h5py
import numpy as np


def collect(mat):
    arrays = []

    def visit(name, node):
        if isinstance(node, h5py.Dataset):
            arrays.append((name, np.asarray(node[()]), node.chunks, node.compression, node.compression_opts))

    mat.visititems(visit)
    return arrays


def main(source, target):
    with h5py.File(source, "r") as mat:
        arrays = collect(mat)
    started = time.perf_counter()
    with h5py.File(target, "w") as out:
        for name, array, chunks, compression, level in arrays:
            out.create_dataset(name, data=array, chunks=chunks, compression=compression, compression_opts=level)
    print(f"{time.perf_counter() - started:.3f}")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
