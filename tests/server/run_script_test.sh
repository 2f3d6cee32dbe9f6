#!/usr/bin/env bash
# scripts/run with the game service: started before the game and stopped after it, left alone when
# absent, and never started twice. Usage: run_script_test.sh SERVER_BINARY RUN_SCRIPT
set -uo pipefail
server_bin=${1:?server binary}
run_script=${2:?run script}
work=$(mktemp -d /tmp/rinkfall-run-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=$((20000 + RANDOM % 10000))
while listening "$port"; do port=$((port + 1)); done
export RINKFALL_RUN_SERVICE_PORT=$port

# A stand-in for the game: records its arguments and asks the service for the version check.
build="$work/build"
mkdir -p "$build/bin"
cat > "$build/bin/rinkfall" <<CLIENT
#!/usr/bin/env bash
echo "\$*" > "$work/args"
if exec 3<>/dev/tcp/127.0.0.1/$port; then
  printf 'GET /PHP/Rinkfall/Login.php?Rkf=1&Version=1 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n' >&3
  cat <&3 > "$work/reply"
fi 2>/dev/null
exit 3
CLIENT
chmod +x "$build/bin/rinkfall"

# 1. No service in the build: the game runs as before, with its own arguments only.
bash "$run_script" "$build" --practice
[[ $? -eq 3 ]] || fail "the game's exit status is not passed on"
[[ $(cat "$work/args") == "--practice" ]] || fail "arguments changed without a service: $(cat "$work/args")"
[[ ! -d "$build/server-data" ]] || fail "service data made without a service"

# 2. With the service: started first, the game pointed at it, stopped afterwards.
ln -s "$server_bin" "$build/bin/rinkfall-server"
rm -f "$work/reply"
bash "$run_script" "$build" --practice
[[ $? -eq 3 ]] || fail "the game's exit status is not passed on with a service"
[[ $(cat "$work/args") == "--server http://127.0.0.1:$port --practice" ]] \
  || fail "the game was not pointed at the service: $(cat "$work/args")"
grep -q '^1<QZT>' "$work/reply" 2>/dev/null || fail "the service did not answer the game"
[[ -f "$build/server-data/server.sqlite" ]] || fail "no database under server-data"
sleep 0.2
listening "$port" && fail "the service still runs after the game ended"

# 3. A service already answers: no second one, and that one is left running.
"$server_bin" --listen "127.0.0.1:$port" --db "$work/other.sqlite" > /dev/null 2>&1 &
other=$!
for _ in $(seq 1 100); do listening "$port" && break; sleep 0.05; done
rm -f "$build/server-data/server.log" "$work/reply"
bash "$run_script" "$build"
grep -q '^1<QZT>' "$work/reply" 2>/dev/null || fail "the running service did not answer the game"
[[ ! -f "$build/server-data/server.log" ]] || fail "a second service was started"
kill -0 "$other" 2>/dev/null || fail "the service that was already there was stopped"
kill -TERM "$other" 2>/dev/null
wait "$other"

# 4. The player chose another service: none is started here.
rm -f "$build/server-data/server.log"
bash "$run_script" "$build" --server http://192.0.2.1:9
[[ $(cat "$work/args") == "--server http://192.0.2.1:9" ]] || fail "the chosen service was replaced"
[[ ! -f "$build/server-data/server.log" ]] || fail "a service was started beside the chosen one"

[[ $failures -eq 0 ]] && echo "run script: all checks passed"
exit $((failures > 0))
