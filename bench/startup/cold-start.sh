#!/usr/bin/env bash
# Cold start of the client: from starting ProjStanor to the first record on
# the screen, against the demo data service on loopback. The time the record
# was painted is read from the program's own message ("première fiche
# affichée (horloge N ms)"), never guessed by waiting.
#
#   bench/startup/cold-start.sh [--runs N] [--no-build]
#
# Two kinds of start are measured, N times each (default 10):
#   first  the first start of the day: no answer kept from an earlier start,
#          so the reference lists and tab descriptions are fetched too;
#   again  a later start: those two answers are younger than 12 hours and
#          reused, only the record is fetched.
# The client runs under a private Xvfb when there is one, else offscreen.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"

runs=10 build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) [[ "${2:-}" =~ ^[1-9][0-9]*$ ]] || { echo "cold-start: --runs attend un nombre" >&2; exit 2; }
            runs="$2"; shift 2 ;;
    --no-build) build=0; shift ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "cold-start: option inconnue $1" >&2; exit 2 ;;
  esac
done
[ "$build" = 1 ] && scripts/build >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/stanor-cold-start.XXXXXX")"
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM "${pids[$i]}" 2>/dev/null || true
    wait "${pids[$i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

build/bin/stanor-dataservice --db "$work/demo.db" --images "$work/images" --port 0 2> "$work/dataservice.log" &
pids+=($!)
port=""
for _ in $(seq 1 100); do
  port="$(sed -n 's|.*http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$work/dataservice.log" | head -n1)"
  [ -n "$port" ] && break
  sleep 0.1  # the service's first line, not a measure
done
[ -n "$port" ] || { cat "$work/dataservice.log" >&2; exit 1; }

export PROJSTANOR_REGISTRY="$work/ProjStanor.reg"
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\Software\\ProjStanor]\r\n'
  printf '"BaseHRef"="http://127.0.0.1:%s/"\r\n"idTVO"="1"\r\n"idTypeVO"="1"\r\n"idUser"="2"\r\n' "$port"
  printf '"UserConcession"="ALV"\r\n"UserSite"="NORD"\r\n'
  printf '"ServiceNetrcFile"="%s"\r\n' "$work/service.netrc"
} > "$PROJSTANOR_REGISTRY"
# The salesperson's password, read at start as an unattended workstation reads it.
(umask 077; printf 'machine 127.0.0.1 login 2 password paul-durand-demo\n' > "$work/service.netrc")
export PROJSTANOR_RUNTIME_DIR="$work/run" PROJSTANOR_DIALOGS=console
mkdir -p -m 700 "$PROJSTANOR_RUNTIME_DIR"

if command -v Xvfb >/dev/null; then
  for n in $(seq 150 199); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
  done
  Xvfb "$display" -screen 0 1024x800x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  export DISPLAY="$display" QT_QPA_PLATFORM=xcb
  screen="Xvfb"
else
  export QT_QPA_PLATFORM=offscreen
  screen="offscreen"
fi

now_ms() { date +%s%3N; }

# One start: prints the milliseconds from the start to the first record painted.
one_start() {
  local fifo="$work/client.fifo" line shown="" t0
  rm -f "$fifo"
  mkfifo "$fifo"
  t0="$(now_ms)"
  build/bin/ProjStanor 2>"$fifo" &
  local client=$!
  exec 3<"$fifo"
  while IFS= read -r -t 30 line <&3; do
    case "$line" in
      *"première fiche affichée (horloge "*) shown="${line##*horloge }"; shown="${shown%% ms*}"; break ;;
    esac
  done
  cat <&3 >/dev/null &  # the rest of the client's messages
  local drain=$!
  build/bin/projstanor-launch --quit >/dev/null 2>&1 || true
  wait "$client" 2>/dev/null || true
  exec 3<&-
  wait "$drain" 2>/dev/null || true
  [ -n "$shown" ] || { echo "cold-start: la fiche ne s'est pas affichée" >&2; exit 1; }
  echo $((shown - t0))
}

# min / median / max of the numbers on standard input.
summary() { sort -n | awk '{v[NR]=$1} END {printf "min %d ms, médiane %d ms, max %d ms (%d démarrages)\n", v[1], (NR%2 ? v[(NR+1)/2] : int((v[NR/2]+v[NR/2+1])/2)), v[NR], NR}'; }

first=() again=()
for ((r = 0; r < runs; r++)); do
  export XDG_STATE_HOME="$work/state-$r"  # no answer kept yet: the start of the day
  first+=("$(one_start)")
  again+=("$(one_start)")               # the same folder: lists and descriptions reused
done
echo "Démarrage à froid de ProjStanor jusqu'à la première fiche affichée ($screen, service sur 127.0.0.1) :"
printf '  premier démarrage : '; printf '%s\n' "${first[@]}" | summary
printf '  démarrage suivant : '; printf '%s\n' "${again[@]}" | summary
echo "  objectif : moins de 500 ms"
