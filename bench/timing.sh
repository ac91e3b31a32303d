# The timing helpers of the benchmark scripts, sourced by them (not a benchmark of its own).

# The median of the numbers on standard input, one a line.
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# Microseconds since the epoch, without starting a process.
now() { local t=${EPOCHREALTIME/./}; echo "$t"; }
