# Sourced by the other scripts: installs the Debian packages named in the
# arguments when a command or file they provide is missing.
# Usage: ensure_packages "command-or-path:package" ...
ensure_packages() {
  local missing=()
  local entry probe package
  for entry in "$@"; do
    probe=${entry%%:*}
    package=${entry#*:}
    if [[ $probe == /* ]]; then
      [[ -e $probe ]] || missing+=("$package")
    else
      command -v "$probe" >/dev/null 2>&1 || missing+=("$package")
    fi
  done
  if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    if [[ $(id -u) -ne 0 ]]; then
      echo "missing packages (${missing[*]}); run as root or install them" >&2
      return 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# The fuzz targets link clang's libFuzzer runtime, which Debian packages
# apart from clang, once per clang major version (libclang-rt-N-dev). Both
# the version and the folder of the runtimes are asked of the clang++ that
# is installed (installing Debian's default clang first when there is none).
ensure_fuzzer_runtime() {
  ensure_packages clang++:clang || return
  local version builtins
  version=$(clang++ -dumpversion)
  builtins=$(clang++ --rtlib=compiler-rt -print-libgcc-file-name)
  ensure_packages "${builtins/builtins/fuzzer}:libclang-rt-${version%%.*}-dev"
}

BUILD_PACKAGES=(cmake:cmake g++:g++ make:make /usr/include/libsvm/svm.h:libsvm-dev
  /usr/include/xgboost/c_api.h:libxgboost-dev)
TEST_PACKAGES=(/usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake:libgtest-dev valgrind:valgrind clang++:clang
  mmseqs:mmseqs2 /usr/lib/python3/dist-packages/numpy:python3-numpy
  /usr/lib/python3/dist-packages/xgboost:python3-xgboost
  svm-train:libsvm-tools snakemake:snakemake reprof:reprof rsvg-convert:librsvg2-bin)
FORMAT_PACKAGES=(clang-format:clang-format)
# GNU time gives the benchmarks a program's CPU time and peak memory.
BENCH_PACKAGES=(/usr/bin/time:time)
