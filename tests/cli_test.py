#!/usr/bin/env python3
"""lumvik-hastighed-cli as a script or a person runs it: a whole run against the test
point, a refused log-in, a usage error, Ctrl-C while the data connection is awaited, and
the progress line only on a terminal (Linux: a pty).
  cli_test.py CLI SCRIPTED_SERVER SOURCE_DIR [--wine]
With --wine, CLI is the Windows build's .exe, run under Wine in a prefix of its own."""
import json
import os
import pty
import re
import select
import signal
import subprocess
import sys
import tempfile
import time

cli, scripted_server, source = sys.argv[1:4]
under_wine = sys.argv[4:] == ["--wine"]
wine = "/usr/lib/wine/wine64"
failures = []


def check(what, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + what + ("" if ok else f": {detail}"))
    if not ok:
        failures.append(what)


def command(*args):
    return [wine, cli, *args] if under_wine else [cli, *args]


def run(*args, env):
    done = subprocess.run(command(*args), env=env, capture_output=True, timeout=120)
    out = done.stdout.decode().replace("\r\n", "\n")
    return done.returncode, out, done.stderr.decode().replace("\r\n", "\n")


def free_port():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


with tempfile.TemporaryDirectory(prefix="lumvik-cli-") as work:
    os.chmod(work, 0o755)
    env = dict(os.environ, XDG_CACHE_HOME=f"{work}/cache", XDG_DATA_HOME=f"{work}/data")
    cache = f"{work}/cache/lumvik-hastighed"
    history_file = f"{work}/data/lumvik-hastighed/results.csv"
    if under_wine:
        env.update(WINEPREFIX=f"{work}/prefix", WINEDEBUG="-all", LANG="C.UTF-8",
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        subprocess.run([wine, "wineboot", "-i"], env=env, capture_output=True, timeout=300)
        user = subprocess.run(["id", "-un"], capture_output=True, text=True).stdout.strip()
        cache = f"{work}/prefix/drive_c/users/{user}/AppData/Local/Lumvik Hastighed"
        history_file = f"{cache}/results.csv"
    port = free_port()
    point = f"{work}/point"
    subprocess.run([f"{source}/scripts/ftp-test-point", "start", point, str(port)], check=True,
                   stdout=subprocess.DEVNULL)
    try:
        # A whole run: one JSON object that agrees with the run log and the history.
        status, out, err = run("--json", "--server", f"127.0.0.1:{port}", env=env)
        check("a run exits 0 and says nothing on a non-terminal stderr", status == 0 and err == "",
              f"{status} {err!r}")
        result = json.loads(out)
        log = open(f"{cache}/runs.log").read()
        last = log[log.rindex("== "):]
        down, up = result["download"], result["upload"]
        check("the JSON names the server and the attempts",
              result["server"] == f"127.0.0.1:{port}" and 1 <= result["attempts"] <= 3, out)
        check("download bytes and time as logged",
              f"download {down['file']}: {down['bytes']} bytes in {down['ms']} ms" in last, last)
        check("upload bytes and time as logged",
              f"upload {up['file']}: {up['bytes']} bytes in {up['ms']} ms" in last, last)
        check("round trip as logged",
              f"round trip to the server: {result['rtt_ms']:.1f} ms" in last, last)
        check("the rates and the result text agree",
              f"{int(down['converted_kbps'])} kbit/s" in result["result_text"], out)
        history = open(history_file).read().splitlines()
        check("the history has the run, with its round trip last",
              history[0].endswith(",rtt_ms") and
              history[-1].endswith(f",{result['attempts']},{result['rtt_ms']:.1f}"), history)
        status, out, _ = run("--csv", "--header", "--server", f"127.0.0.1:{port}", env=env)
        check("--csv --header: the history's heading and one line",
              status == 0 and out.splitlines()[0] == history[0] and len(out.splitlines()) == 2,
              out)

        # The progress line appears on a terminal only, redrawn in place.
        pid, terminal = pty.fork() if not under_wine else (None, None)
        if pid == 0:
            os.execve(cli, [cli, "--server", f"127.0.0.1:{port}"], env)
        seen = b""
        while pid:
            try:
                ready, _, _ = select.select([terminal], [], [], 60)
                if not ready:
                    break
                chunk = os.read(terminal, 4096)
            except OSError:
                break
            if not chunk:
                break
            seen += chunk
        if pid:
            _, wait_status = os.waitpid(pid, 0)
            text = seen.decode(errors="replace")
            check("on a terminal: a progress line redrawn in place, then the result",
                  os.waitstatus_to_exitcode(wait_status) == 0 and "\r" in text and
                  re.search(r"download 2Mtest\.rnd +\[[# ]{20}\] +\d+ kbit/s", text) and
                  "Testresultat" in text, repr(text[:300]))
        status, _, err = run("--quiet", "--server", f"127.0.0.1:{port}", env=env)
        check("--quiet: nothing on stderr", status == 0 and err == "", err)
    finally:
        subprocess.run([f"{source}/scripts/ftp-test-point", "stop", point],
                       stdout=subprocess.DEVNULL)

    # A refused log-in: the failure path, exit 1, the error object.
    status, out, err = run("--json", "--server", f"127.0.0.1:{free_port()}", env=env)
    failure = json.loads(out)
    check("a refused log-in exits 1 with the error object",
          status == 1 and failure["error"]["code"] == 1 and
          failure["error"]["step"] == "log-in as anonymous" and
          "refused" in failure["error"]["cause"] and
          failure["failure_text"].startswith("Testen kan ikke genføres"), (status, out))
    check("and says why on stderr", "the test failed in log-in as anonymous" in err, err)
    # A name that does not resolve: the resolver's own words, intact UTF-8, as the cause.
    status, out, _ = run("--json", "--server", "lumvik-test.invalid", env=env)
    failure = json.loads(out)
    check("a name that does not resolve fails the log-in with the resolver's words",
          status == 1 and failure["error"]["code"] == 1 and
          failure["error"]["cause"].startswith("lumvik-test.invalid: ") and
          len(failure["error"]["cause"]) > len("lumvik-test.invalid: ") and
          "\ufffd" not in failure["error"]["cause"], out)

    # Usage errors: exit 2 with one line, before any network.
    for args in (["--bogus"], ["--server", "host:70000"], ["--server", "host:"],
                 ["--json", "--csv"], ["--header"]):
        status, out, err = run(*args, env=env)
        check(f"usage error {args}", status == 2 and out == "" and err.count("\n") <= 2,
              (status, err))
    status, out, _ = run("--version", env=env)
    check("--version", status == 0 and out.strip() == "lumvik-hastighed-cli 3.0.0.4", out)

    # Ctrl-C while the data connection is awaited (it never comes): the failure path,
    # exit 130, the test file gone, the run logged with the step it stopped in.
    port = free_port()
    server = subprocess.Popen([scripted_server, str(port), "impostor"], stdout=subprocess.PIPE)
    try:
        server.stdout.readline()
        client = subprocess.Popen(command("--server", f"127.0.0.1:{port}"), env=env,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        time.sleep(3.0 if under_wine else 1.0)
        client.send_signal(signal.SIGINT)
        started = time.monotonic()
        out, err = client.communicate(timeout=10)
        took = time.monotonic() - started
        # Wine hands the console's Ctrl-C to the program a second or two late.
        limit = 5.0 if under_wine else 0.5
        check(f"Ctrl-C ends the run within {limit} s with exit 130",
              client.returncode == 130 and took < limit, (client.returncode, took))
        check("the failure text on stdout, nothing on stderr",
              out.decode().startswith("Testen kan ikke genføres") and err == b"", (out, err))
        check("no test file is left", not os.path.exists(f"{cache}/200Ktest.rnd"))
        log = open(f"{cache}/runs.log").read()
        check("the log names the step", "failed in download 200Ktest.rnd: code 16" in log,
              log[log.rindex("== "):])
    finally:
        server.terminate()
        server.wait()

print(f"{len(failures) == 0 and 'all passed' or 'failures: ' + ', '.join(failures)}")
sys.exit(1 if failures else 0)
