#!/usr/bin/env bash
# The layer check fails for each kind of violation it exists to catch.
set -u
check=${1:?usage: upward_include_test.sh CHECK_SCRIPT}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
expect_failure() {  # file text
  rm -rf "$tmp/src"
  mkdir -p "$tmp/src/$(dirname "$1")"
  printf '%s\n' "$2" >"$tmp/src/$1"
  if bash "$check" "$tmp/src" >/dev/null; then
    echo "not caught: $1: $2"
    exit 1
  fi
}
expect_failure camera/camera.h '#include "interaction/dispatcher.h"'
expect_failure model/edit/picking.cpp '#include "camera/camera.h"'
expect_failure model/construction.h '#include "interaction/input_state.h"'
expect_failure platform/ui/qt_dialogs.h '#include "app/core/services.h"'
expect_failure model/history.h '#include "model/edit/editing.h"'
expect_failure app/core/app_form.h '#include "app/gl_view.h"'
expect_failure interaction/dispatcher.h '#include <QObject>'
expect_failure render/scene.cpp '#include <epoxy/gl.h>'
expect_failure model/block.h 'namespace geometry {'
# And a clean tree passes.
rm -rf "$tmp/src"; mkdir -p "$tmp/src/model"
printf '#include "math/vector.h"\n#include <vector>\nnamespace model {\n}\n' >"$tmp/src/model/block.h"
bash "$check" "$tmp/src" >/dev/null || { echo "a clean tree was refused"; exit 1; }
echo ok
