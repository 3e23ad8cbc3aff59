#!/usr/bin/env bash
# The Debian package as a user gets it: scripts/package builds it; its files,
# its lintian report, its AppStream metainfo and desktop entry are checked,
# and the programs run from the unpacked tree (the batch command finds its
# PDF module there). Prints "N passed, N failed" last.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
passed=0 failed=0
check() {  # check NAME COMMAND...: the command must succeed
  local name=$1; shift
  if out=$("$@" 2>&1); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
    echo "$out" | head -20 | sed 's/^/    /'
  fi
}

deb=$("$ROOT/scripts/package" | tail -n 1)
version=$(sed -n 's/^project(ClusterAnalysis VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
check "the package is named after the version" test "$(basename "$deb")" = "cluster-analysis_${version}_amd64.deb"

files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
for f in /usr/bin/cluster-analysis /usr/bin/cluster-batch /usr/libexec/cluster-analysis/cluster-batch-pdf.so \
         /usr/share/applications/cluster-analysis.desktop \
         /usr/share/metainfo/io.github.clusteranalysis.ClusterAnalysis.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/cluster-analysis.svg \
         /usr/share/man/man1/cluster-analysis.1.gz /usr/share/man/man1/cluster-batch.1.gz \
         /usr/share/doc/cluster-analysis/copyright /usr/share/doc/cluster-analysis/changelog.gz \
         /usr/share/doc/cluster-analysis/examples/planets.csv; do
  check "the package holds $f" grep -qx "$f" <<<"$files"
done
check "nothing outside /usr" test -z "$(grep -v '^/usr' <<<"$files" | grep -v '^/$')"
check "no maintainer scripts" test -z "$(dpkg-deb -I "$deb" | grep -E 'postinst|postrm|preinst|prerm')"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 fonts-ipafont-gothic fonts-ipafont-mincho qt6-translations-l10n libqt6svg6; do
  check "depends on $d" grep -q "$d" <<<"$depends"
done

# lintian: no error, and no warning but the Shift_JIS example CSV (national
# encoding by intent).
report=$(lintian "$deb" 2>/dev/null)
check "lintian reports no error" test -z "$(grep '^E:' <<<"$report")"
check "lintian warns only of the Shift_JIS example" \
  test -z "$(grep '^W:' <<<"$report" | grep -v 'national-encoding \[usr/share/doc/cluster-analysis/examples/planets.csv\]')"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
check "the metainfo validates" appstreamcli validate --no-net \
  "$tree/usr/share/metainfo/io.github.clusteranalysis.ClusterAnalysis.metainfo.xml"
check "the desktop entry validates" desktop-file-validate "$tree/usr/share/applications/cluster-analysis.desktop"
check "cluster-batch --version" test "$("$tree/usr/bin/cluster-batch" --version)" = "cluster-batch $version"
check "cluster-analysis --version" test "$("$tree/usr/bin/cluster-analysis" --version)" = "cluster-analysis $version"
check "the installed batch command draws a PDF" env QT_QPA_PLATFORM=offscreen "$tree/usr/bin/cluster-batch" \
  --method ward --out "$tree/out.txt" --pdf "$tree/tree.pdf" "$tree/usr/share/doc/cluster-analysis/examples/planets.csv"
check "the man pages read" man -l "$tree/usr/share/man/man1/cluster-analysis.1.gz"

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
