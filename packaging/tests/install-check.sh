#!/usr/bin/env bash
# install-check.sh CHECK BUILD_DIR SOURCE_DIR: installs the build into a
# temporary prefix and checks it.
#   run      the installed archivator backs up the example job from another
#            folder, with a bare environment; ornzip and orneval work too
#   desktop  the desktop entry, the MIME package and the icons are valid
#   man      the three manual pages render without warnings
#   deb      cpack makes a Debian package with the right dependencies and no
#            maintainer scripts (apt removes it without leaving anything)
set -euo pipefail
check=$1 build=$2 source=$3
scratch=$(mktemp -d /tmp/orn-install-XXXXXX)
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*"; exit 77; }

cmake --install "$build" --prefix "$scratch/first" >/dev/null
# The tree is moved after installing: nothing may depend on where it was put.
mv "$scratch/first" "$scratch/prefix"
prefix=$scratch/prefix

case $check in
run)
  for f in bin/archivator bin/ornzip bin/orneval libexec/archivator/libornzip.so libexec/archivator/libornunz.so \
    share/archivator/RadEzaZuvev.ini; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
  done
  if [ -d "$source/docs/help" ]; then
    [ -f "$prefix/share/archivator/help/index.html" ] || fail "the user guide is not installed"
  fi
  work=$scratch/work home=$scratch/home
  mkdir -p "$work" "$home"
  "$source/scripts/example-job.sh" "$work"
  # An installed program keeps its temporary directory in the user's cache,
  # never in its bin folder (which the superuser could write to).
  temp=$home/.cache/OrnZpArh_Temporary_Directory
  run() { (cd "$work" && env -i HOME="$home" PATH=/usr/bin:/bin ORN_ALIASES="$work/Aliases.ini" "$@"); }
  status=0
  run "$prefix/bin/archivator" "$work/example.arh" AUTO ARHIV >"$scratch/out.txt" 2>&1 || status=$?
  cat "$scratch/out.txt"
  [ "$status" -eq 0 ] || fail "archivator JOB AUTO ARHIV ended with status $status"
  ls "$work"/archives/Buh*.zip >/dev/null 2>&1 || fail "no archive in $work/archives"
  ls "$work"/second-copy/Buh*.zip >/dev/null 2>&1 || fail "no second copy"
  [ -d "$temp" ] || fail "the temporary directory is not $temp"
  [ -z "$(ls -A "$prefix/bin" | grep -v '^archivator$\|^ornzip$\|^orneval$\|^orn_gallery$')" ] || fail "the run wrote into bin/"
  # An installed program keeps its settings in the user's folder, wherever it
  # is started from, and takes over one found in the folder it starts in.
  [ -e "$home/.config/archivator/Params.ini" ] || fail "Params.ini was not written in ~/.config/archivator"
  [ ! -e "$work/Params.ini" ] || fail "Params.ini was written in the current directory"
  mkdir -p "$scratch/old" "$scratch/home2"
  printf 'LANGUAGE=2\r\nSYSLANGUAGE=2\r\nHELPLANGUAGE=2\r\n' >"$scratch/old/Params.ini"
  (cd "$scratch/old" && env -i HOME="$scratch/home2" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/archivator" --grab "$scratch/old.png" >/dev/null 2>&1) || fail "archivator --grab"
  grep -q '^LANGUAGE=2' "$scratch/home2/.config/archivator/Params.ini" ||
    fail "the Params.ini of the current folder was not taken over"
  # The window is translated from the installed dictionary: without it, it
  # looks different (its design-time English texts).
  run env QT_QPA_PLATFORM=offscreen "$prefix/bin/archivator" --grab "$scratch/translated.png" >/dev/null 2>&1 ||
    fail "archivator --grab"
  mv "$prefix/share/archivator/RadEzaZuvev.ini" "$scratch/"
  run env QT_QPA_PLATFORM=offscreen "$prefix/bin/archivator" --grab "$scratch/untranslated.png" >/dev/null 2>&1 ||
    fail "archivator --grab"
  ! cmp -s "$scratch/translated.png" "$scratch/untranslated.png" || fail "the installed dictionary is not used"
  # ornzip finds the compression libraries in the private folder: they are on
  # no library path.
  archive=$(ls "$work"/archives/Buh*.zip | head -n 1)
  run "$prefix/bin/ornzip" test "$archive" || fail "ornzip test of the archive failed"
  listing=$(run "$prefix/bin/ornzip" list "$archive") || fail "ornzip list of the archive failed"
  grep -q "KONTI.DB" <<<"$listing" || fail "ornzip list does not show KONTI.DB"
  [ "$(run "$prefix/bin/orneval" "2+3*4")" = "14" ] || fail "orneval 2+3*4 is not 14"
  ;;
desktop)
  command -v desktop-file-validate >/dev/null || skip "desktop-file-validate missing"
  command -v xmllint >/dev/null || skip "xmllint missing"
  command -v update-mime-database >/dev/null || skip "update-mime-database missing"
  share=$prefix/share
  desktop-file-validate "$share/applications/archivator.desktop" || fail "desktop entry"
  grep -q '^MimeType=application/x-archivator-job;$' "$share/applications/archivator.desktop" ||
    fail "the desktop entry does not open job files"
  xmllint --noout "$share/mime/packages/archivator.xml" "$share/icons/hicolor/scalable/apps/archivator.svg"
  for lang in lv ru; do
    grep -q "<comment xml:lang=\"$lang\">" "$share/mime/packages/archivator.xml" || fail "no $lang comment"
  done
  # The MIME package compiles, and a job file is recognised by name and by its header.
  update-mime-database "$share/mime" 2>"$scratch/mime.txt" || { cat "$scratch/mime.txt"; fail "update-mime-database"; }
  ! grep -qi "warning\|error" "$scratch/mime.txt" || { cat "$scratch/mime.txt"; fail "update-mime-database warns"; }
  grep -q '^50:application/x-archivator-job:\*\.arh$' "$share/mime/globs2" || fail "*.arh is not in globs2"
  grep -q "ORN Archivator INI file" "$share/mime/magic" || fail "the job header is not in the magic"
  if command -v gio >/dev/null; then
    # As a file manager sees them: by name (any letter case), and by the
    # header when the name says nothing.
    printf '\r\n{****}\r\n{*               ORN Archivator INI file                *}\r\n' >"$scratch/JOB.ARH"
    cp "$scratch/JOB.ARH" "$scratch/job-without-extension"
    for f in JOB.ARH job-without-extension; do
      type=$(XDG_DATA_HOME=$share gio info -a standard::content-type "$scratch/$f" | sed -n 's/.*content-type: //p')
      [ "$type" = application/x-archivator-job ] || fail "$f is $type"
    done
  else
    echo "note: gio missing, job files not typed as a file manager would"
  fi
  png=$share/icons/hicolor/48x48/apps/archivator.png
  [ "$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')" = "0000003000000030" ] || fail "the 48 px icon is not 48 x 48"
  ;;
man)
  command -v man >/dev/null || skip "man missing"
  for page in archivator ornzip orneval; do
    file=$prefix/share/man/man1/$page.1
    [ -f "$file" ] || fail "no manual page $page.1"
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>"$scratch/warnings.txt")
    [ ! -s "$scratch/warnings.txt" ] || { cat "$scratch/warnings.txt"; fail "$page.1 renders with warnings"; }
    for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES; do
      grep -q "^$section" <<<"$out" || fail "$page.1 has no $section section"
    done
  done
  out=$(LC_ALL=C.UTF-8 man -l "$prefix/share/man/man1/archivator.1" 2>/dev/null)
  for section in COMMANDS FILES ENVIRONMENT; do
    grep -q "^$section" <<<"$out" || fail "archivator.1 has no $section section"
  done
  ;;
deb)
  command -v dpkg-deb >/dev/null || skip "dpkg-deb missing"
  (cd "$scratch" && cpack -G DEB -B "$scratch/deb" --config "$build/CPackConfig.cmake" >"$scratch/cpack.txt" 2>&1) ||
    { cat "$scratch/cpack.txt"; fail "cpack -G DEB"; }
  deb=$(ls "$scratch"/deb/archivator_*.deb)
  depends=$(dpkg-deb -f "$deb" Depends)
  for package in libqt6widgets6 libdeflate0 zlib1g pxlib1 libbz2-1.0 liblzma5 libzstd1 libnettle8; do
    grep -q "\<$package\>" <<<"$depends" || fail "the package does not depend on $package: $depends"
  done
  dpkg-deb -c "$deb" >"$scratch/contents.txt"
  grep -q '\./usr/libexec/archivator/libornzip.so$' "$scratch/contents.txt" || fail "no libornzip.so in the package"
  grep -q '\./usr/share/mime/packages/archivator.xml$' "$scratch/contents.txt" || fail "no MIME package in the package"
  mkdir "$scratch/control"
  dpkg-deb -e "$deb" "$scratch/control"
  [ -z "$(ls "$scratch/control" | grep -v '^control$\|^md5sums$')" ] || fail "maintainer scripts: $(ls "$scratch/control")"
  ;;
*) fail "unknown check $check" ;;
esac
echo "ok: $check"
