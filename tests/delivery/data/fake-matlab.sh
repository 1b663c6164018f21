#!/bin/sh
# Stands in for MATLAB in the tests, installed as <root>/R20yyx/bin/matlab. Like the
# toolchain's own MATLAB code it installs or removes the toolchain and reports back
# through the program's halvora: links; it also records how it was started.
#
#   FAKE_MATLAB_LOG      file that gets one line per start: release|arguments|working folder
#   FAKE_MATLAB_PROGRAM  the program that takes the reports (halvora-lab); none without it
#   FAKE_MATLAB_FLAGS    the flags of the final report (0 by default; 4 reports a failure)
set -eu
bin=$(cd "$(dirname "$0")" && pwd)
release=$(basename "$(dirname "$bin")")
arguments="$*"

start_folder=
statement=
while [ $# -gt 0 ]; do
    case $1 in
    -sd) start_folder=$2; shift 2 ;;
    -r) statement=$2; shift 2 ;;
    *) shift ;;
    esac
done

if [ -n "${FAKE_MATLAB_LOG:-}" ]; then
    printf '%s|%s|%s\n' "$release" "$arguments" "$(pwd)" >>"$FAKE_MATLAB_LOG"
fi

# The program's version text of a release from R2016a on: R2023a is 9.14, R2023b 9.15.
year=${release#R20}
letter=${year#??}
year=${year%?}
half=$(((year - 16) * 2))
[ "$letter" = b ] && half=$((half + 1))
version=$(printf '9.%02d' "$half")

versions="$(dirname "$start_folder")/MatlabToolchainVersion"
version_file="$versions/toolchain_${version%%.*}_${version#*.}.json"
case $statement in
installHalvoraToolchain)
    command=install_tc
    mkdir -p "$versions"
    printf '{"ToolchainVersion":"%s"}\n' "$(cat "$start_folder/version")" >"$version_file"
    ;;
uninstallHalvoraToolchain)
    command=uninstall_tc
    rm -f "$version_file"
    ;;
*)
    echo "fake matlab: unknown statement $statement" >&2
    exit 2
    ;;
esac

if [ -n "${FAKE_MATLAB_PROGRAM:-}" ]; then
    "$FAKE_MATLAB_PROGRAM" --uri "halvora:$command?version=$version&progress=50&flags=0&msg=Working"
    "$FAKE_MATLAB_PROGRAM" --uri "halvora:$command?version=$version&progress=100&flags=${FAKE_MATLAB_FLAGS:-0}&msg=Done"
fi
