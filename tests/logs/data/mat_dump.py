"""Prints the variables of a MAT-file (version 7.3) as JSON, read with h5py only.

Numeric data is given as the hexadecimal bytes of the array in MATLAB's
column-major order together with MATLAB's dimensions, so that the caller can
compare every value bit for bit.
"""
import json
import sys

import h5py
import numpy as np


def text_of(dataset):
    return "".join(map(chr, np.asarray(dataset[()]).ravel()))


def describe(node):
    matlab_class = node.attrs.get("MATLAB_class", b"").decode()
    if isinstance(node, h5py.Group):
        fields = [b"".join(name).decode() for name in node.attrs.get("MATLAB_fields", [])]
        return {
            "class": matlab_class,
            "fields": fields,
            "members": {name: describe(node[name]) for name in node},
        }
    if node.attrs.get("MATLAB_empty", 0):
        return {"class": matlab_class, "empty": True, "dims": [int(d) for d in node[()]]}
    if matlab_class == "char":
        return {"class": matlab_class, "text": text_of(node), "dims": list(reversed(node.shape))}
    array = np.asarray(node[()])
    return {
        "class": matlab_class,
        "dtype": array.dtype.str,
        # HDF5 keeps MATLAB's dimensions reversed; its C order is MATLAB's column-major order.
        "dims": list(reversed(node.shape)),
        "hex": array.astype(array.dtype.newbyteorder("<")).tobytes().hex(),
        "compressed": node.compression or "",
        "level": node.compression_opts or 0,
    }


def main(path):
    with h5py.File(path, "r") as mat:
        print(json.dumps({name: describe(mat[name]) for name in mat}))


if __name__ == "__main__":
    main(sys.argv[1])
