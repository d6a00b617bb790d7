# Sourced by the benchmark scripts: median reads numbers, one a line, and prints their median
# (the mean of the middle two for an even count).
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
