#!/usr/bin/env bash
# Makes the pictures of the README: the real frame on an X server in memory
# (Xvfb) with two file manager windows on a drive C: mapped onto a
# temporary directory of sample files, grabbed by the GUI benchmark
# driver's "shot" mode. Usage: docs/screenshots/make.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="$root/docs/screenshots"
"$root/scripts/install-deps" xvfb poppler-utils
build="$root/build/bench"
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DVORLANE_BENCH=ON
cmake --build "$build" --target gui_bench print_bench

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
c="$work/c"
mk() { # mk FILE SIZE
  mkdir -p "$(dirname "$c/$1")"
  head -c "$2" /dev/zero > "$c/$1"
}
mk "Projects/Vorlane/README.md" 4811
mk "Projects/Vorlane/CMakeLists.txt" 3305
mk "Projects/Vorlane/main.cpp" 1220
mk "Projects/Vorlane/frame.cpp" 16970
mk "Projects/Vorlane/frame.h" 4211
mk "Projects/Vorlane/catalogue.cpp" 48113
mk "Projects/Vorlane/catalogue.h" 9920
mk "Projects/Vorlane/notes.txt" 713
mk "Projects/Vorlane/design.pdf" 402311
mk "Projects/Vorlane/release.tar.gz" 2911734
mk "Projects/Vorlane/build.sh" 377
mk "Projects/Vorlane/logo.svg" 7312
mk "Projects/Vorlane/tests/frame_test.cpp" 8123
mk "Projects/Vorlane/docs/manual.odt" 90112
mk "Projects/Website/index.html" 5120
mk "Documents/Budget 2026.ods" 22014
mk "Documents/Letter.odt" 14022
mk "Documents/Contract.pdf" 310022
mk "Pictures/Holiday/beach.jpg" 2210000
mk "Pictures/Holiday/harbour.jpg" 1980000
mk "Pictures/Holiday/sunset.png" 3300400
mk "Pictures/Holiday/map.pdf" 120000
mk "Pictures/Holiday/notes.txt" 312
mk "Pictures/Holiday/route.gpx" 40000
mk "Pictures/Holiday/clip.mp4" 48000000
mk "Pictures/Holiday/song.mp3" 5400000
mk "Pictures/Holiday/panorama.tiff" 12000000
mk "Pictures/Holiday/index.html" 4400
mk "Pictures/Holiday/album.odp" 900000
mk "Music/Playlist.m3u" 500
# A zip file beside the left window's directory, with a comment, for the
# pictures of its add and comment dialogs.
(cd "$c/Projects/Vorlane" && zip -q -r ../VORLANE.ZIP README.md main.cpp frame.cpp tests &&
  printf 'Vorlane sources as of the 3.72 release.\nBuilt with CMake.\n' | zip -q -z ../VORLANE.ZIP)
mkdir -p "$work/home"

VORLANE_HOME="$work/home" XDG_CONFIG_HOME="$work/home" VORLANE_DRIVES="C=$c" \
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x900x24 -dpi 96" \
  "$build/bench/gui_bench" shot "$out" 'C:\PROJECTS\VORLANE' 'C:\PICTURES\HOLIDAY'
# The print dialog, and the first page of a file list printed to PDF.
VORLANE_HOME="$work/home" XDG_CONFIG_HOME="$work/home" VORLANE_DRIVES="C=$c" \
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x900x24 -dpi 96" \
  "$build/bench/print_bench" shot "$work"
cp "$work/print-dialog.png" "$out/print-dialog.png"
pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$work/print-page.pdf" "$out/print-page"
# The dialogs the GUI tests open (Run, Open With, Properties, File Sets,
# File Search Criteria, HabiTabs) and the habitab row picture themselves when VORLANE_SHOTS names a
# directory; the test build is scripts/test's.
tests="$root/build/test/gui_tests"
if [ -x "$tests" ]; then
  VORLANE_SHOTS="$out" QT_QPA_PLATFORM=offscreen "$tests" --gtest_brief=1 \
    --gtest_filter='LaunchCommandsTest.*:ShellCommandsTest.*:FileSetsDialogTest.*:SearchCriteriaWindowTest.*:FindFilesWindowTest.*:HabitabTest.*:HabitabsDialogTest.*:ThumbnailsTest.*:GuiTest.ScanningWindow*:ViewersTest.*'
fi
echo "written: $out/frame.png $out/details.png $out/icons.png $out/list.png $out/small-icons.png $out/thumbnails.png $out/ziptoexe.png $out/zip-add.png $out/zip-comment.png $out/print-dialog.png $out/print-page.png $out/command-line.png $out/thumbnail-view.png $out/thumbnail-scanning.png $out/settings-thumbnails.png"
