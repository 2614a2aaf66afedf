# Timing shared by the engine's benchmark scripts: each command runs as a whole process, the
# commands taking turns RUNS times; the best wall and processor seconds are kept in $OUT.

timed() { # seconds-file cpu-file command...
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f "%U %S" -o "$2.t" "${@:3}" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l >"$1"
    awk '{print $1 + $2}' "$2.t" >"$2"
}
best() { sort -g "$1" | head -1; }
ratio() { if [ "$2" = n/a ]; then echo n/a; else echo "scale=2; $1 / $2" | bc -l; fi; }

# Runs the named commands RUNS times in turn; leaves best wall and cpu seconds in $OUT/<name>.
race() { # name... (each an array of the same name)
    local n
    for n in "$@"; do : >"$OUT/$n.wall"; : >"$OUT/$n.cpu"; done
    for _ in $(seq "$RUNS"); do
        for n in "$@"; do
            local -n cmd="$n"
            timed "$OUT/t" "$OUT/c" env "${cmd[@]}"
            cat "$OUT/t" >>"$OUT/$n.wall"
            cat "$OUT/c" >>"$OUT/$n.cpu"
        done
    done
}
wall() { printf '%.2f' "$(best "$OUT/$1.wall")"; }
cpu() { printf '%.2f' "$(best "$OUT/$1.cpu")"; }
