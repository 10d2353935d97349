#!/usr/bin/env bash
# Regenerates the AutoAssign knowledge base (data/autoassign.tsv), the
# older-version conversion file (data/new_auto.tsv) and data/licenses/.
#
# Needs node/npm (to fetch the pinned packages), /usr/bin/python3 and
# fontconfig's configuration files (Debian package fontconfig-config).
# Packages are unpacked into a temporary folder that is removed afterwards;
# nothing from them is kept except the licence notices.
set -euo pipefail

# Pinned so that the output only changes when someone bumps a version here.
# Integrity values are the registry's sha512 of each tarball.
PACKAGES=(
  "google-font-metadata|6.0.8|sha512-6P2rhlrV0AoTTMrEf+1h7azRjQiMMcZ8RpV+NuxGPaOKhwwpbqsE3HsQY01PYYa/KJbf6UxuyVlcVVGzK3ywfw=="
  "google-fonts-complete|2.2.3|sha512-/0EkrmRkh4qdNmlcM55LU6fRp2pdF2tvWA908wqx0cWxzAP3FSNKAZg8SxjynGhkhiPQeM7UxH659cGYbFz3EQ=="
  "@capsizecss/metrics|4.3.0|sha512-93Ea1eMXUoOHf5BNidOsMv9glODtGjMEBUeqLei8S5Ffy1Hd4Q81zrsLA5VAsNVVMJpFRxtDnk2QtvPdJf/S+w=="
)

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
out="$repo/data"
fc_dir="${FONTCONFIG_CONF_DIR:-/usr/share/fontconfig/conf.avail}"
python=/usr/bin/python3

die() { echo "regenerate.sh: $*" >&2; exit 1; }

command -v npm >/dev/null || die "npm is required"
command -v node >/dev/null || die "node is required"
[ -x "$python" ] || die "$python is required"

fc_files=(45-generic.conf 45-latin.conf 40-nonlatin.conf 60-latin.conf 30-metric-aliases.conf)
fc_missing() {
  local f
  for f in "${fc_files[@]}"; do [ -r "$fc_dir/$f" ] || return 0; done
  return 1
}
if fc_missing; then
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    apt-get install -y --no-install-recommends fontconfig-config >&2
  fi
  fc_missing && die "fontconfig configuration not found in $fc_dir (install fontconfig-config)"
fi
fc_copyright=""
for f in /usr/share/doc/fontconfig-config/copyright /usr/share/doc/fontconfig/copyright; do
  if [ -r "$f" ]; then fc_copyright="$f"; break; fi
done
[ -n "$fc_copyright" ] || die "fontconfig's copyright file not found under /usr/share/doc"
fc_version="$(dpkg-query -W -f='${Version}' fontconfig-config 2>/dev/null || echo unknown)"

# Fail before touching data/ if the builder's own checks fail.
PYTHONDONTWRITEBYTECODE=1 "$python" "$here/test_build_kb.py" -q 2>/dev/null \
  || die "builder self-tests failed (run $here/test_build_kb.py)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# npm pack fetches just the tarball: none of these packages' dependencies are
# needed to read their data, and installing them would pull in a browser.
declare -A pkg_dir
version_args=()
for entry in "${PACKAGES[@]}"; do
  IFS='|' read -r name version integrity <<<"$entry"
  tarball="$(cd "$work" && npm pack --silent "$name@$version")"
  actual="sha512-$(node -e '
    const h = require("crypto").createHash("sha512");
    h.update(require("fs").readFileSync(process.argv[1]));
    process.stdout.write(h.digest("base64"));' "$work/$tarball")"
  [ "$actual" = "$integrity" ] || die "$name@$version: integrity mismatch ($actual)"
  dest="$work/unpacked/${name//\//__}"
  mkdir -p "$dest"
  tar -xzf "$work/$tarball" -C "$dest" --strip-components=1
  pkg_dir[$name]="$dest"
  version_args+=(--version "$name=$version")
done

node "$here/dump_capsize.cjs" "${pkg_dir[@capsizecss/metrics]}" >"$work/capsize.json"

mkdir -p "$out/licenses"
"$python" "$here/build_kb.py" \
  --google-font-metadata "${pkg_dir[google-font-metadata]}" \
  --google-fonts-complete "${pkg_dir[google-fonts-complete]}" \
  --capsize-dump "$work/capsize.json" \
  --fontconfig-dir "$fc_dir" \
  --out-dir "$out" \
  "${version_args[@]}" \
  --version "fontconfig-config=$fc_version"

install -m 644 "${pkg_dir[google-font-metadata]}/LICENSE" "$out/licenses/google-font-metadata-LICENSE.txt"
install -m 644 "${pkg_dir[google-fonts-complete]}/LICENSE.md" "$out/licenses/google-fonts-complete-LICENSE.md"
install -m 644 "${pkg_dir[@capsizecss/metrics]}/LICENSE" "$out/licenses/capsizecss-metrics-LICENSE.txt"
install -m 644 "$fc_copyright" "$out/licenses/fontconfig-COPYING.txt"
