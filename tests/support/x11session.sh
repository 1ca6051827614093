#!/usr/bin/env bash
# Runs a test under a virtual X server, with a session bus and the
# accessibility bus on it when they are installed, so that the primary
# selection and a screen reader's view of the windows can be checked.
set -euo pipefail
if [[ -z "${KESTRUM_IN_SESSION:-}" ]] && command -v dbus-run-session >/dev/null; then
  KESTRUM_IN_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 || true
exec xvfb-run -a "$@"
