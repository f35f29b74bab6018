#!/bin/sh
# ffmpeg's testsrc2, as Y4M on standard input, through the reference writer
# into N cameras reading the pipe at once; each must get every frame, in
# order, byte for byte as ffmpeg made it (ffmpeg also writes the expected
# NV12 frames).
#   ffmpeg_ate_a_camera.sh WINE_EXEC ESCRITOR.exe LEITOR.exe CAMERAS
set -eu
wine_exec=$1
escritor=$2
leitor=$3
cameras=$4
quadros=20
limite=90  # seconds for each Wine program: a writer waiting for a camera that never comes ends
pasta=$(mktemp -d "${TMPDIR:-/tmp}/norva-ffmpeg-$$-XXXXXX")
pid_leitor=
trap '[ -n "$pid_leitor" ] && kill "$pid_leitor" 2>/dev/null; rm -rf "$pasta"' EXIT
nome="ffmpeg $cameras $$"

ffmpeg -v error -f lavfi -i "testsrc2=size=1920x1080:rate=30" -frames:v "$quadros" -pix_fmt yuv420p \
  -f yuv4mpegpipe "$pasta/origem.y4m"
ffmpeg -v error -i "$pasta/origem.y4m" -f rawvideo -pix_fmt nv12 "$pasta/esperado.nv12"

timeout "$limite" "$wine_exec" "$leitor" "$nome" "Z:$pasta/esperado.nv12" "$cameras" &
pid_leitor=$!
# 10 fps: a camera that falls behind skips to the newest frame by design,
# which this test would count as a lost frame; a shared CI machine needs room.
ffmpeg -v error -i "$pasta/origem.y4m" -f yuv4mpegpipe - |
  timeout "$limite" "$wine_exec" "$escritor" --file - --name "$nome" --wait-for "$cameras" --fps 10
status=0
wait "$pid_leitor" || status=$?
pid_leitor=
exit "$status"
