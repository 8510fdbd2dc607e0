#!/usr/bin/env bash
# Installs clang with libFuzzer and the lint tools from Debian's archive, only when missing.
set -euo pipefail
need=()
command -v clang++ >/dev/null 2>&1 || need+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-dev)
command -v clang-tidy >/dev/null 2>&1 || need+=(clang-tidy)
command -v cppcheck >/dev/null 2>&1 || need+=(cppcheck)
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi
