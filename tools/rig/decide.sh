# shellcheck shell=bash
# Sourced by the test commands: one decision per run on the build under test.
# Sets and exports QV_TEST_ARCH (x86 or x64) and QV_TEST_ARCH_WHY, and prints
# the one line that says which build this run tests and why.
qv_decide_arch() {
  local decision
  decision=$(timeout --kill-after=10 300 "$(dirname "${BASH_SOURCE[0]}")/choose-arch" </dev/null) || {
    echo "rig: could not decide which build to test" >&2
    return 1
  }
  export QV_TEST_ARCH=${decision%%$'\t'*}
  export QV_TEST_ARCH_WHY=${decision#*$'\t'}
  echo "rig: testing the $QV_TEST_ARCH build: $QV_TEST_ARCH_WHY"
}
