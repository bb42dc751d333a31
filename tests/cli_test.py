#!/usr/bin/env python3
"""lumvik-hastighed-cli as a script or a person runs it: a whole run against the test
point, a refused log-in, a usage error, Ctrl-C while the data connection is awaited, and
the progress line only on a terminal (Linux: a pty).
  cli_test.py CLI SCRIPTED_SERVER SOURCE_DIR [--wine]
With --wine, CLI is the Windows build's .exe, run under Wine in a prefix of its own."""
import contextlib
import csv
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


def command(*args, whole_line=False):
    # On loopback every run is faster than every product, so by default each would measure
    # the whole line too: only the runs about it do.
    if not whole_line and "--schedule" not in args:
        args += ("--no-whole-line",)
    return [wine, cli, *args] if under_wine else [cli, *args]


def run(*args, env, whole_line=False):
    done = subprocess.run(command(*args, whole_line=whole_line), env=env, capture_output=True,
                          timeout=120)
    out = done.stdout.decode().replace("\r\n", "\n")
    return done.returncode, out, done.stderr.decode().replace("\r\n", "\n")


def free_port():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@contextlib.contextmanager
def scripted(mode):
    """The scripted server in `mode` on a free port, for the time of the block."""
    port = free_port()
    server = subprocess.Popen([scripted_server, str(port), mode], stdout=subprocess.PIPE)
    try:
        server.stdout.readline()
        yield port
    finally:
        server.terminate()
        server.wait()


with tempfile.TemporaryDirectory(prefix="lumvik-cli-") as work:
    os.chmod(work, 0o755)
    # Base folders that do not exist yet, two levels deep: the run makes them.
    env = dict(os.environ, XDG_CACHE_HOME=f"{work}/new/cache", XDG_DATA_HOME=f"{work}/new/data")
    cache = f"{work}/new/cache/lumvik-hastighed"
    history_file = f"{work}/new/data/lumvik-hastighed/results.csv"
    if under_wine:
        env.update(WINEPREFIX=f"{work}/prefix", WINEDEBUG="-all", LANG="C.UTF-8",
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        subprocess.run([wine, "wineboot", "-i"], timeout=300, **quiet)
        subprocess.run(["/usr/lib/wine/wineserver", "-w"], timeout=60, **quiet)
        # Then one server for the prefix for the whole test: one that ends a few seconds after
        # its last client drops a client that starts just then ("recvmsg: Connection reset").
        # The services it keeps are started here, so that they hold no test's output open.
        subprocess.run(["/usr/lib/wine/wineserver", "-p"], timeout=60, **quiet)
        subprocess.run([wine, "net", "start", "schedule"], timeout=120, **quiet)
        user = subprocess.run(["id", "-un"], capture_output=True, text=True).stdout.strip()
        cache = f"{work}/prefix/drive_c/users/{user}/AppData/Local/Lumvik Hastighed"
        history_file = f"{cache}/results.csv"
    port = free_port()
    point = f"{work}/point"
    subprocess.run([f"{source}/scripts/ftp-test-point", "start", point, str(port)], check=True,
                   stdout=subprocess.DEVNULL)
    try:
        status, out, _ = run("--subscription", "300/300", "--normally-available", "270/270",
                             env=env)
        check("--subscription sets the speeds, and says them",
              status == 0 and out == "maximum: 300/300 Mbit/s\n"
              "normally available: 270/270 Mbit/s\n", (status, out))
        # A whole run: one JSON object that agrees with the run log and the history; faster
        # than every product, it measures the whole line too.
        status, out, err = run("--json", "--server", f"127.0.0.1:{port}", env=env,
                               whole_line=True)
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
        # The latency: idle and jitter everywhere; under load and retransmissions where the
        # system tells the path (Linux), "not measured" (null, empty) where not (Wine).
        lat = {key: result["latency"][key] for key in
               ("idle_ms", "jitter_ms", "download_loaded_ms", "upload_loaded_ms", "grade")}
        tells_path = not under_wine
        check("the JSON's latency: idle is the round trip; loaded figures where the system tells",
              lat["idle_ms"] == result["rtt_ms"] and lat["jitter_ms"] is not None and
              (lat["upload_loaded_ms"] is not None) == tells_path and
              (lat["download_loaded_ms"] is not None) == tells_path and
              (lat["grade"] in ("A+", "A", "B", "C", "D", "F")) == tells_path and
              (up["retransmitted_pct"] is not None) == tells_path, result)
        check("the log says what was not measured", tells_path or
              "upload under load: not measured\nlatency grade: not measured" in last, last)
        tenths = lambda value: "" if value is None else f"{value:.1f}"
        line = result.get("line") or {}
        whole = lambda d: (f"{line[d]['kbps']:.1f},{int(line[d]['lower_bound'])}" if line.get(d)
                           else ",")
        # The fewest sessions that carried the line: at most those of the figure's stage.
        run_fields, *connection = history[-1].strip().rsplit(",", 9)
        row, *fewest = run_fields.rsplit(",", 2)
        link = result["connection"]
        other = link["other_traffic_mbit_s"]
        household = link["household_traffic_mbit_s"]
        fits = lambda d, n: n == "" if not line.get(d) else 1 <= int(n) <= line[d]["sessions"]
        check("the history has the run, its round trip, server, origin, latency and line last",
              history[0].endswith(",rtt_ms,server,origin,jitter_ms,download_loaded_ms,"
                                  "upload_loaded_ms,latency_grade,upload_retransmitted_pct,"
                                  "line_download_kbit_s,line_download_at_least,"
                                  "line_upload_kbit_s,line_upload_at_least,data_download_mb,"
                                  "data_upload_mb,line_download_sessions,line_upload_sessions,"
                                  "connection_kind,link_speed_mbit_s,wifi_signal_dbm,"
                                  "other_download_mbit_s,other_upload_mbit_s,"
                                  "household_download_mbit_s,household_upload_mbit_s,"
                                  "subscribed_download_mbit_s,subscribed_upload_mbit_s") and
              row.endswith(
                  f",{result['attempts']},{result['rtt_ms']:.1f},127.0.0.1:{port},cli,"
                  f"{tenths(lat['jitter_ms'])},{tenths(lat['download_loaded_ms'])},"
                  f"{tenths(lat['upload_loaded_ms'])},{lat['grade'] or ''},"
                  f"{tenths(up['retransmitted_pct'])},{whole('download')},{whole('upload')},"
                  f"{tenths(result['data_bytes']['download'] / 1e6)},"
                  f"{tenths(result['data_bytes']['upload'] / 1e6)}") and
              fits("download", fewest[0]) and fits("upload", fewest[1]) and
              connection == [link["kind"], tenths(link["speed_mbit_s"]),
                             tenths(link["signal_dbm"]),
                             tenths(other["download"]), tenths(other["upload"]),
                             tenths(household["download"]), tenths(household["upload"]),
                             "300.0", "300.0"],
              (history[-1], result))
        verdicts = result["subscription"]
        check("the subscription judges each direction's whole line: its share of the maximum",
              all(abs(verdicts[d]["share_of_maximum"] - line[d]["kbps"] * 1024 / 1e6 / 300) <
                  0.001 and verdicts[d]["normally_available_reached"] ==
                  (line[d]["kbps"] * 1024 / 1e6 >= 270) and verdicts[d]["minimum_reached"] is None
                  for d in ("download", "upload")) and "Af abonnementet: " in
              result["result_text"], verdicts)
        logged = dict(re.findall(r"whole line (\w+): (?:at least )?([\d.]+) kbit/s", last))
        check("beyond every product the whole line is measured, both directions as logged",
              all(line.get(d) and line[d]["kbps"] > 0 and line[d]["sessions"] >= 1 and
                  line[d]["seconds"] > 0 and isinstance(line[d]["lower_bound"], bool) and
                  abs(float(logged.get(d, -1)) - line[d]["kbps"]) <= 0.1
                  for d in ("download", "upload")) and
              "\n\nHele linjen: " in result["result_text"], (out, last))
        left = [n for n in os.listdir(f"{point}/root/pub/upload") if n.startswith("hastighed-")]
        check("the whole line leaves none of its uploads on the server, and says none",
              not left and result["left_files"] == [], (left, result["left_files"]))
        check("the data moved: the test files and the whole line's, as logged",
              result["data_bytes"]["download"] > down["bytes"] and
              f"data moved: {result['data_bytes']['download']} bytes down, "
              f"{result['data_bytes']['upload']} bytes up" in last, last)
        status, out, _ = run("--json", "--server", f"127.0.0.1:{port}", env=env)
        check("--no-whole-line: no whole line", status == 0 and "line" not in json.loads(out), out)
        status, out, _ = run("--csv", "--header", "--server", f"127.0.0.1:{port}", env=env)
        check("--csv --header: the history's heading and one line",
              status == 0 and out.splitlines()[0] == history[0] and len(out.splitlines()) == 2,
              out)
        status, out, err = run("--scheduled", "--server", f"127.0.0.1:{port}", env=env)
        check("--scheduled: nothing printed, recorded as the schedule's",
              status == 0 and out == "" and err == "" and
              ",schedule," in open(history_file).read().splitlines()[-1] and
              "started from: schedule" in open(f"{cache}/runs.log").read(), (status, out, err))
        # With a campaign under way, a scheduled run is the campaign's (the whole line
        # always) when the campaign says one is due (a day's first run comes before 13:00);
        # over the loopback it cannot count, and the campaign says why.
        status, out, _ = run("--campaign", "start", env=env)
        due = json.loads(run("--campaign", "status", "--json", env=env)[1])["run_due_now"]
        run("--scheduled", "--server", f"127.0.0.1:{port}", env=env, whole_line=True)
        _, out, _ = run("--campaign", "status", "--json", env=env)
        campaign = json.loads(out)
        row = next(csv.reader(open(history_file).read().splitlines()[-1:]))
        check("a campaign's scheduled run: its origin, the whole line, why it did not count",
              status == 0 and campaign["days"] == [] and campaign["verdict"] is None and
              (row[10], row[16] != "", [m["why"] for m in campaign["missed"]]) ==
              (("campaign", True, ["ikke målt over kabel"]) if due else ("schedule", False, [])),
              (due, out, row))
        _, out, _ = run("--campaign", "stop", env=env)
        check("--campaign stop", "(stopped)" in out.splitlines()[0], out)

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
        status, _, _ = run("-4", "--server", f"127.0.0.1:{port}", env=env)
        failed, out, _ = run("--json", "-6", "--server", f"127.0.0.1:{port}", env=env)
        check("-4 reaches an IPv4 server; -6 finds no IPv6 address for it",
              status == 0 and failed == 1 and
              json.loads(out)["error"]["step"] == "log-in as anonymous", (status, failed, out))

        # Runs started together take the line one after another, and each is recorded.
        before = len(open(history_file).read().splitlines())
        runs = [subprocess.Popen(command("--json", "--server", f"127.0.0.1:{port}"), env=env,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                for _ in range(6)]
        ended = [(r.wait(timeout=300), r.stdout.read().decode(), r.stderr.read().decode())
                 for r in runs]
        results = [json.loads(out) for status, out, _ in ended if status == 0]
        check("six runs at once all finish, and say they were recorded",
              len(results) == 6 and all(r["recorded"] for r in results),
              [(status, err) for status, _, err in ended])
        check("those that waited said so on stderr",
              any("waiting for it to end" in err for _, _, err in ended), ended)
        added = open(history_file).read().splitlines()[before:]
        check("the history gained one line per run", len(added) == 6, added)

        # A history that cannot be written now (on Windows held open by a program that
        # shares it with nobody, as a spreadsheet does; on Linux a folder in its place):
        # the line waits beside it for the next run.
        if under_wine:
            probe = os.path.join(os.path.dirname(cli), "tests", "win32_probe.exe")
            holder = subprocess.Popen([wine, probe, "hold", history_file.replace(
                f"{work}/prefix/drive_c", "C:").replace("/", "\\"), "60"], env=env,
                stdout=subprocess.PIPE)
            holder.stdout.readline()
        else:
            os.rename(history_file, history_file + ".kept")
            os.mkdir(history_file)
        status, out, err = run("--json", "--server", f"127.0.0.1:{port}", env=env)
        check("a history that cannot be written: recorded false, the cause on stderr",
              status == 0 and json.loads(out)["recorded"] is False and
              "the run was not recorded" in err and "waits in" in err, (status, out, err))
        if under_wine:
            holder.kill()
            holder.wait()
        else:
            os.rmdir(history_file)
            os.rename(history_file + ".kept", history_file)
        status, out, err = run("--json", "--server", f"127.0.0.1:{port}", env=env)
        history = open(history_file).read().splitlines()
        check("the next run writes the waiting line first, then its own",
              status == 0 and json.loads(out)["recorded"] and len(history) == before + 8 and
              not os.path.exists(history_file + ".pending"), (len(history), before, err))
        if not under_wine and subprocess.run(["unshare", "-rm", "true"]).returncode == 0:
            # A full disk under the history (a small tmpfs of the test's own): nothing half
            # written, the line waits beside the run log, and the next run writes both.
            full = f"{work}/full"
            os.makedirs(full)
            # A history of exactly one page: the next line needs a page that is not there.
            page = open(history_file).readline()
            row = "2026-01-01T00:00:00Z,{},1.2,2.0,2.4,2Mtest.rnd,,3,0.1\n"
            while len(page) + 2 * len(row.format(1)) < 4096:
                page += row.format(1)
            page += row.format("1" * (4096 - len(page) - len(row.format(""))))
            with open(f"{work}/page.csv", "w") as out:
                out.write(page)
            script = f"{work}/full-disk.sh"
            with open(script, "w") as out:
                out.write(f"""set -e
mount -t tmpfs -o size=256k tmpfs {full}
mkdir -p {full}/lumvik-hastighed
cp {work}/page.csv {full}/lumvik-hastighed/results.csv
dd if=/dev/zero of={full}/filler bs=4k 2>/dev/null || true
XDG_DATA_HOME={full} {cli} --json --no-whole-line --server 127.0.0.1:{port} >{work}/full-1.json 2>{work}/full-1.err
cp {full}/lumvik-hastighed/results.csv {work}/full-1.csv
rm {full}/filler
XDG_DATA_HOME={full} {cli} --json --no-whole-line --server 127.0.0.1:{port} >{work}/full-2.json
cp {full}/lumvik-hastighed/results.csv {work}/full-2.csv
""")
            done = subprocess.run(["unshare", "-rm", "bash", script], env=env,
                                  capture_output=True, timeout=120)
            before = page
            first = json.loads(open(f"{work}/full-1.json").read() or "{}")
            err = open(f"{work}/full-1.err").read()
            check("a full disk: recorded false, the history untouched, the line kept elsewhere",
                  done.returncode == 0 and first.get("recorded") is False and
                  open(f"{work}/full-1.csv").read() == before and
                  f"waits in {cache}/results.csv.pending" in err, (done.stderr, first, err))
            after = open(f"{work}/full-2.csv").read()
            added = after[len(before):].splitlines()
            check("room again: the next run writes the kept line, then its own",
                  after.startswith(before) and len(added) == 2 and
                  added[0].split(",")[1] == f"{first['download']['raw_kbps']:.1f}" and
                  json.loads(open(f"{work}/full-2.json").read())["recorded"] and
                  not os.path.exists(f"{cache}/results.csv.pending"), added)
        if not under_wine:
            with open("/dev/full", "w") as full:
                done = subprocess.run(command("--server", f"127.0.0.1:{port}"), env=env,
                                      stdout=full, stderr=subprocess.PIPE, timeout=120)
            check("a result that cannot reach stdout exits 1 and says so",
                  done.returncode == 1 and b"could not be written to standard output" in
                  done.stderr, (done.returncode, done.stderr))
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
                 ["--server", ""], ["--server", "bad\nhost"], ["-4", "-6"],
                 ["--json", "--csv"], ["--header"], ["--schedule", "bogus"],
                 ["--schedule", "on", "--json"], ["--schedule", "on", "--whole-line"],
                 ["--schedule", "on", "--whole-line-when", "weekly"],
                 ["--whole-line-when", "daily"], ["--subscription", "3x/300"],
                 ["--minimum", "1/1"], ["--subscription", "300/300", "--minimum", "400/1"],
                 ["--subscription", "show", "--minimum", "1/1"]):
        status, out, err = run(*args, env=env)
        check(f"usage error {args}", status == 2 and out == "" and err.count("\n") <= 2,
              (status, err))
    # The protocol of a planted campaign: three days of ten runs over a gigabit cable, a
    # day between them; once as met, once with the upload reaching the normally available
    # speed in 26 of 30 runs (criterion 2).
    names = open(history_file).read().splitlines()[0].lstrip("\ufeff").split(",")
    first = (int(time.time()) // 86400 - 9) * 86400
    with open(os.path.join(os.path.dirname(history_file), "campaign.txt"), "w") as kept:
        kept.write(f"started={time.strftime('%Y-%m-%dT%H:%M:%SZ', time.gmtime(first - 3600))}\n"
                   "maximum=300/300\nnormally_available=270/270\n")
    for short in (0, 4):
        rows = [",".join(names)]
        for n in range(30):
            at = first + n // 10 * 2 * 86400 + (n % 10 + (3 if n % 10 >= 5 else 0)) * 3600
            up = 260.0 if n < short else 290.0
            row = dict(timestamp=time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(at)),
                       download_kbit_s="8000.0", download_converted_kbit_s="9411.8",
                       upload_kbit_s="8000.0", upload_converted_kbit_s="9411.8",
                       download_file="2Mtest.rnd", attempts="1", rtt_ms="10.0",
                       server="ftp.example.net:21", origin="campaign",
                       line_download_kbit_s="283203.1", line_download_at_least="0",
                       line_upload_kbit_s=f"{up * 1e6 / 1024:.1f}", line_upload_at_least="0",
                       connection_kind="cable", link_speed_mbit_s="1000.0",
                       subscribed_download_mbit_s="300.0", subscribed_upload_mbit_s="300.0")
            rows.append(",".join(row.get(name, "") for name in names))
        open(history_file, "w").write("\n".join(rows) + "\n")
        pdf = f"{work}/protocol.pdf"
        status, out, err = run("--protocol", pdf, env=env)
        text = " ".join(subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True,
                                       text=True).stdout.split())
        check(f"the protocol of a campaign {'short in criterion 2 up' if short else 'that met the rule'}",
              status == 0 and "Måleprotokol: bredbåndets hastighed" in text and
              "fuldført, 30 målinger tæller" in text and
              "lever downloaden op til abonnementet" in text and
              f"nået i {30 - short} af 30 målinger" in text and
              ("lever uploaden ikke op" in text) == (short > 0), (status, err, text))
    status, out, _ = run("--subscription", "show", env=env)
    check("usage errors changed nothing", out.startswith("maximum: 300/300 Mbit/s\n"), out)
    status, out, _ = run("--subscription", "clear", env=env)
    check("--subscription clear: none", status == 0 and out == "no subscription\n" and
          not os.path.exists(os.path.join(os.path.dirname(history_file), "subscription.txt")), out)
    status, out, _ = run("--version", env=env)
    check("--version", status == 0 and out.strip() == "lumvik-hastighed-cli 3.0.0.4", out)

    # Hourly measuring under Wine: a task of the user's own in its Task Scheduler, registered
    # and removed. (On Linux schedule_test runs the timer in a user manager of its own.)
    if under_wine:
        for _ in range(3):  # the service may still be starting with the prefix
            started = subprocess.run([wine, "net", "start", "schedule"], env=env,
                                     capture_output=True, text=True, timeout=120).stdout
            if "started" in started or "already running" in started:
                break
            time.sleep(2)
        task = f"{work}/prefix/drive_c/windows/system32/tasks/Lumvik Hastighed hver time"
        status, out, _ = run("--schedule", "status", env=env)
        check("--schedule status: off at first", status == 0 and "measuring: off" in out, out)
        status, out, err = run("--schedule", "on", env=env)
        stored = open(task, encoding="utf-8-sig").read() if os.path.exists(task) else ""
        # Wine's Task Scheduler stores no action, so the run's arguments are not read back here.
        check("--schedule on registers the task, 15 minutes at most a run",
              status == 0 and "<ExecutionTimeLimit>PT15M</ExecutionTimeLimit>" in stored and
              "the whole line: daily" in out, (status, out, err, stored))
        status, out, _ = run("--schedule", "on", "--no-whole-line", env=env)
        check("--schedule on --no-whole-line: the whole line never",
              status == 0 and "the whole line: never" in out, out)
        status, out, _ = run("--schedule", "status", env=env)
        check("--schedule status: on", status == 0 and "measuring: on" in out, out)
        status, out, _ = run("--schedule", "off", env=env)
        check("--schedule off removes the task", status == 0 and not os.path.exists(task), out)

    # A server that ends the small file early and says 226: no measurement of it.
    with scripted("short") as port:
        status, out, err = run("--json", "--server", f"127.0.0.1:{port}", env=env)
        failure = json.loads(out)
        check("a short download is the failure path, its cause the bytes",
              status == 1 and failure["error"]["step"] == "download 200Ktest.rnd" and
              failure["error"]["cause"] == "received 153600 of 204800 bytes", out)

    # Ctrl-C, SIGTERM (logout, systemctl stop) and SIGHUP (a closed terminal) while the data
    # connection is awaited (it never comes): the failure path, exit 128 + the signal, the
    # test file gone, the run logged with the step it stopped in.
    endings = [(signal.SIGINT, 130)]
    if not under_wine:
        endings += [(signal.SIGTERM, 143), (signal.SIGHUP, 129)]
    for ending, expected in endings:
        with scripted("impostor") as port:
            client = subprocess.Popen(command("--server", f"127.0.0.1:{port}"), env=env,
                                      stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            time.sleep(3.0 if under_wine else 1.0)
            client.send_signal(ending)
            started = time.monotonic()
            out, err = client.communicate(timeout=10)
            took = time.monotonic() - started
            # Wine hands the console's Ctrl-C to the program a second or two late; a sanitizer
            # build takes its time to exit. Either is well short of the data connection's
            # 10 s wait, which is what a run deaf to the signal would sit out.
            limit = 5.0 if under_wine else 2.0
            name = signal.Signals(ending).name
            check(f"{name} ends the run within {limit} s with exit {expected}",
                  client.returncode == expected and took < limit, (client.returncode, took))
            check(f"{name}: the failure text on stdout, nothing on stderr",
                  out.decode().startswith("Testen kan ikke genføres") and err == b"", (out, err))
            check(f"{name}: no test file is left", not os.path.exists(f"{cache}/200Ktest.rnd"))
            log = open(f"{cache}/runs.log").read()
            check(f"{name}: the log names the step",
                  "failed in download 200Ktest.rnd: code 16" in log[log.rindex("== "):],
                  log[log.rindex("== "):])

    # A resolver that never answers (a name server that drops every query, in a network
    # namespace of the test's own): Ctrl-C still ends the lookup at once.
    if not under_wine and subprocess.run(["unshare", "-rmn", "true"]).returncode == 0:
        dead = f"{work}/dead-resolver.sh"
        with open(dead, "w") as script:
            script.write(f"""ip link set lo up
python3 -c "import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(('127.0.0.9', 53))
open('{work}/bound', 'w').close(); time.sleep(30)" </dev/null >/dev/null 2>&1 &
while [ ! -e {work}/bound ]; do sleep 0.05; done
echo 'nameserver 127.0.0.9' > {work}/resolv.conf
mount --bind {work}/resolv.conf /etc/resolv.conf
exec "$@"
""")
        client = subprocess.Popen(["unshare", "-rmn", "bash", dead, cli, "--server",
                                   "speedtest.lumvik.example"], env=env,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        time.sleep(1.5)
        client.send_signal(signal.SIGINT)
        started = time.monotonic()
        client.communicate(timeout=30)
        took = time.monotonic() - started
        check("Ctrl-C ends a lookup that is never answered within 2 s",
              client.returncode == 130 and took < 2.0, (client.returncode, took))

    if under_wine:
        # The prefix's server writes the registry out as it ends; it must be gone before the
        # prefix is removed.
        for flag in ("-k", "-w"):
            subprocess.run(["/usr/lib/wine/wineserver", flag], env=env, capture_output=True,
                           timeout=60)

print(f"{len(failures) == 0 and 'all passed' or 'failures: ' + ', '.join(failures)}")
sys.exit(1 if failures else 0)
