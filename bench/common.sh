# What the benchmarks share; sourced from the project's root with `build` set. Builds the installer (Release,
# trusting the build's test CA), makes the work folder `work` (removed at exit with the service), starts the
# local update service with the given options and waits until it is ready, and runs the installer from a
# folder of its own with debug lines off, timed.

bench_build() {
  scripts/deps
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTILVO_BUILD_TESTS=OFF -DTILVO_TEST_CA=ON >/dev/null
  cmake --build "$build" -j "$(nproc)" --target tilvo_install tilvo_sample_program >"$build.log" 2>&1 ||
    { cat "$build.log"; exit 1; }
  work=$(mktemp -d /tmp/tilvo-bench-XXXXXX)
  service_pid=
  trap bench_cleanup EXIT
}

bench_cleanup() {
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null || true
  rm -rf "$work"
}

# bench_service OPTION...: the service on free ports, serving this build's programs.
bench_service() {
  /usr/bin/python3 tools/update-service/update_service.py --quiet --port 0 --control-port 0 --store-port 0 \
    --cloud-port 0 --cloud-ca "$build/test-ca/tilvo-test-ca.pem" "$build/test-ca/tilvo-test-ca.key" \
    --store-program "$build/bin/tilvo_sample_program" --store-installer "$build/bin/Tilvo_install.exe" \
    --ready-file "$work/ready.json" "$@" 2>"$work/service.log" &
  service_pid=$!
  for _ in $(seq 1 3000); do [ -f "$work/ready.json" ] && break; sleep 0.1; done
  [ -f "$work/ready.json" ] || { cat "$work/service.log"; echo "the update service did not start" >&2; exit 1; }
}

# bench_ready EXPRESSION: a Python expression over the ready file's JSON `r`, printed.
bench_ready() {
  /usr/bin/python3 -c 'import json, sys; r = json.load(open(sys.argv[1])); print(eval(sys.argv[2]))' \
    "$work/ready.json" "$1"
}

# bench_installer: a silent install into $work/root, timed into $work/installer.time, its lines in
# $work/installer.log.
bench_installer() {
  mkdir -p "$work/installer" "$work/root"
  cp "$build/bin/Tilvo_install.exe" "$work/installer/"
  printf '[setup]\r\nis_debug=0\r\n' > "$work/installer/setup.ini"
  TILVO_ROOT="$work/root" TILVO_SERVER_HOSTS="$(bench_ready 'r["servers"]["hosts_env"]')" TILVO_CONNECTED=1 \
    TILVO_NATIVE_ARCH=x64 /usr/bin/time -f "%e %U %S %M" -o "$work/installer.time" \
    "$work/installer/Tilvo_install.exe" /s 2>"$work/installer.log"
}
