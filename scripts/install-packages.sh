#!/usr/bin/env bash
# Sourced by the set-up scripts: install_missing PKG... installs, on Debian
# 12, those of the named packages that are not installed yet (apt-get update
# first; sudo when not root). Extra apt-get options go in APT_OPTIONS.
install_missing() {
  local missing="" p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  [ -n "$missing" ] || return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y ${APT_OPTIONS:-} $missing
}
