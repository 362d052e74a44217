#!/usr/bin/env bash
# Simulates an LC-MS run with OpenMS's MSSimulator (Debian package topp) and
# centroids it with PeakPickerHiRes: the measured data for corvan match and
# corvan deisotope tests and for tools/evaluate_observed.py.
# Usage: tools/simulate_run.sh PROTEINS.fasta[,MORE.fasta] OUTDIR [MSSimulator options...]
# (labelled runs take one FASTA file per channel, comma-separated).
# Writes OUTDIR/run_profile.mzML, OUTDIR/run_centroid.mzML and
# OUTDIR/truth.featureXML (the simulated features: m/z of M, charge,
# intensity, peptide).
set -euo pipefail
IFS=, read -ra fastas <<<"$1"
out=$2
shift 2
mkdir -p "$out"
# Debian's package lacks a few of the simulator's data files: a data folder
# of links to Debian's, empty stand-ins for the missing models, and no
# retention-time model (rt_column none: one scan).
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
for entry in /usr/share/openms/*; do ln -s "$entry" "$data/"; done
mkdir -p "$data/examples/simulation"
touch "$data/examples/simulation/"{RTPredict.model,DTPredict.model,contaminants.csv}
export OPENMS_DATA_PATH=$data
MSSimulator -in "${fastas[@]}" -out "$out/run_profile.mzML" -out_fm "$out/truth.featureXML" \
    -algorithm:MSSim:RT:rt_column none \
    -algorithm:MSSim:Ionization:mz:lower_measurement_limit 300 \
    -algorithm:MSSim:Ionization:mz:upper_measurement_limit 1500 \
    -algorithm:MSSim:RawSignal:noise:shot:rate 2 \
    -algorithm:MSSim:RawSignal:noise:shot:intensity-mean 20000 \
    -algorithm:RandomNumberGenerators:biological reproducible \
    -algorithm:RandomNumberGenerators:technical reproducible "$@" >"$out/simulator.log" 2>&1
PeakPickerHiRes -in "$out/run_profile.mzML" -out "$out/run_centroid.mzML" >>"$out/simulator.log" 2>&1
