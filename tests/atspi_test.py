#!/usr/bin/python3
"""The program as a screen reader sees it, through AT-SPI: every text, the button and the
three links can be read, and a test run pressed with the mouse ends in a result text that
the screen reader reads too. Run inside dbus-run-session, with the test point running.

    atspi_test.py PROGRAM
"""
import os
import re
import subprocess
import sys
import time

import pyatspi

program = sys.argv[1]
passed = 0
failed = 0


def check(what, ok):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print("FAILED:", what)


def wait_for_window(pid, seconds=20):
    """Waits until the dialog is on screen, so that no question reaches the program
    through the accessibility bus while it is still starting."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid",
                                str(pid), "--name", "^Lumvik Hastighedstest$"],
                               capture_output=True, text=True)
        if found.stdout.strip():
            return True
        time.sleep(0.1)
    return False


def find_application(pid, seconds=20):
    wait_for_window(pid, seconds)
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            try:
                if app is not None and app.get_process_id() == pid:
                    for window in app:
                        if window is not None and window.name == "Lumvik Hastighedstest":
                            return app
            except Exception:
                pass
        time.sleep(0.2)
    return None


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def by_role(app, role):
    return [node for node in walk(app) if node.getRole() == role]


def wait_for(condition, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if condition():
            return True
        time.sleep(0.2)
    return False


environment = dict(os.environ)
environment.pop("NO_AT_BRIDGE", None)
environment["GTK_A11Y"] = "atspi"
process = subprocess.Popen([program], env=environment)
try:
    app = find_application(process.pid)
    check("the program appears on the accessibility bus (program %s)"
          % ("running" if process.poll() is None else "ended: %s" % process.returncode),
          app is not None)
    if app is None:
        print("applications seen:", [a.name for a in pyatspi.Registry.getDesktop(0) if a])
        raise SystemExit(1)

    labels = {node.name for node in by_role(app, pyatspi.ROLE_LABEL)}
    check("the status text is readable",
          "\n\nKlik på knappen Test din hastighed for at begynde testen." in labels)
    check("the heading is readable", "Nyttige links" in labels)
    links = sorted(node.name for node in by_role(app, pyatspi.ROLE_LINK))
    check("the three links are readable as links: %r" % links, links == sorted([
        "Få hjælp til din hastighed på Lumvik Online",
        "Sådan måler vi hastigheden",
        "Opgrader din hastighed på lumvik.dk"]))
    # Each link's action does what a click does: the browser opens its page.
    pages = {"Få hjælp til din hastighed på Lumvik Online": "1",
             "Sådan måler vi hastigheden": "2", "Opgrader din hastighed på lumvik.dk": "3"}
    log = os.environ["LUMVIK_BROWSER_LOG"]
    for link in by_role(app, pyatspi.ROLE_LINK):
        action = link.queryAction()
        check("the link %r has one action, 'click'" % link.name,
              action.nActions == 1 and action.getName(0) == "click")
        action.doAction(0)
        expected = "http://lumvik.dk/hastighedstest/?id=%s" % pages.get(link.name, "?")
        opened = wait_for(lambda: os.path.exists(log) and expected in open(log).read(), 10)
        check("its action opens %s in the browser" % expected, opened)
    check("no link is a tab stop", not any(
        link.getState().contains(pyatspi.STATE_FOCUSABLE)
        for link in by_role(app, pyatspi.ROLE_LINK)))
    buttons = [node for node in by_role(app, pyatspi.ROLE_PUSH_BUTTON)
               if node.name == "Test din hastighed"]
    check("the test button is readable", len(buttons) == 1)

    if buttons:
        # A mouse click, not an AT-SPI action: the whole run lives in the click handler,
        # and an action would hold the accessibility bus until it returns.
        extents = buttons[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(["xdotool", "mousemove", str(extents.x + extents.width // 2),
                        str(extents.y + extents.height // 2), "click", "1"], check=True)
        finished = wait_for(lambda: buttons[0].name == "Test din hastighed igen", 120)
        check("the button reads 'Test din hastighed igen' after the run", finished)
        results = [node.name for node in by_role(app, pyatspi.ROLE_LABEL)
                   if node.name.startswith("Testresultat")]
        check("the result text is readable: %r" % results, len(results) == 1 and re.match(
            r"Testresultat\n\nTest af download:  +\d+ kbit/s \(omregnet fra +\d+ kbit/s\)\n"
            r"Test af upload: +\d+ kbit/s \(omregnet fra +\d+ kbit/s\)", results[0]))
finally:
    process.terminate()
    process.wait(10)

print("%d passed, %d failed" % (passed, failed))
sys.exit(1 if failed else 0)
