#!/usr/bin/python3
# Reads and drives the main window of `amplora --mock` through the accessibility bus, as a screen reader does:
# the Volume dial's range and value, the switches' checked state, the names of a few controls, and a volume set
# through the value interface reaching what the window shows. With "de" it runs Amplora with LANG=de_DE.UTF-8:
# the same controls answer in German, while the local API still answers in English. Run it on a private session
# bus and display (tests/support/run-under xvfb). Exits 77 when at-spi2-core or python3-pyatspi is missing.
import importlib.util
import json
import os
import socket
import urllib.error
import urllib.request
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
# Every wait below shares this budget, so the whole check ends well inside the test's timeout.
DEADLINE = time.monotonic() + 45


def skip(reason):
    print("SKIP: " + reason)
    sys.exit(SKIPPED)


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def wait_for(what, probe):
    """Polls `probe` until it returns something true, or fails once the shared deadline has passed. While the
    window is still being built a node can go away under a walk; such a probe counts as not yet."""
    last_error = None
    while True:
        try:
            result = probe()
        except Exception as error:  # pylint: disable=broad-except
            result, last_error = None, error
        if result:
            return result
        if time.monotonic() > DEADLINE:
            fail("timed out waiting for " + what + ("" if last_error is None else " (last error: %s)" % last_error))
        time.sleep(0.05)


def bus_has(name):
    answer = subprocess.run(
        ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
         "org.freedesktop.DBus.NameHasOwner", "string:" + name],
        capture_output=True, text=True, check=False)
    return answer.returncode == 0 and "boolean true" in answer.stdout


def descendants(node):
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield child
            yield from descendants(child)


def find(window, role, name):
    for node in descendants(window):
        if node.getRole() == role and node.name == name:
            return node
    return None


# What a screen reader hears, in each language the check runs in.
WORDS = {
    "en": {"Volume": "Volume", "decibels": " decibels", "Now playing": "Now playing",
           "Previous track": "Previous track", "Next track": "Next track", "Power off": "Power off"},
    "de": {"Volume": "Lautstärke", "decibels": " Dezibel", "Now playing": "Wiedergabe",
           "Previous track": "Vorheriger Titel", "Next track": "Nächster Titel", "Power off": "Ausschalten"},
}


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def api_error(port):
    """The local API's answer to a request without the token: (status, JSON body)."""
    try:
        urllib.request.urlopen("http://127.0.0.1:%d/api/v1/status" % port, timeout=2)
    except urllib.error.HTTPError as error:
        return error.code, json.loads(error.read().decode("utf-8"))
    return None


def check(condition, message):
    if not condition:
        fail(message)


def main():
    if importlib.util.find_spec("pyatspi") is None:
        skip("python3-pyatspi is not installed")
    if not os.access(LAUNCHER, os.X_OK):
        skip("at-spi-bus-launcher (at-spi2-core) is not installed")
    if len(sys.argv) not in (2, 3) or sys.argv[2:] not in ([], ["de"]):
        fail("usage: access_tree.py AMPLORA [de]")
    language = sys.argv[2] if len(sys.argv) == 3 else "en"
    words = WORDS[language]
    # The local API of this --mock run, on a port of its own.
    port = free_port()
    config = os.path.join(os.environ["XDG_CONFIG_HOME"], "Amplora")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "AmploraMock.conf"), "w", encoding="utf-8") as settings:
        settings.write("[General]\napiEnabled=true\napiPort=%d\n" % port)

    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    log = tempfile.TemporaryFile(mode="w+")
    app = None
    try:
        wait_for("the accessibility bus", lambda: bus_has("org.a11y.Bus"))
        # pyatspi finds the accessibility bus when it is imported, so only now.
        import pyatspi

        environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        # A test run keeps the window's API off; this one asks it. The mock receiver and discovery keep the run
        # off the network all the same.
        for variable in ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "AMPLORA_TESTING"):
            environment.pop(variable, None)
        environment["LANG"] = "de_DE.UTF-8" if language == "de" else "C.UTF-8"
        app = subprocess.Popen([sys.argv[1], "--mock"], env=environment, stdout=log, stderr=subprocess.STDOUT)

        def application():
            desktop = pyatspi.Registry.getDesktop(0)
            for index in range(desktop.childCount):
                child = desktop.getChildAtIndex(index)
                if child is not None and child.get_process_id() == app.pid and child.childCount > 0:
                    return child.getChildAtIndex(0)
            return None

        window = wait_for("the main window on the accessibility bus", application)
        volume = wait_for("the Volume dial with a known volume", lambda: next(
            (node for node in descendants(window) if node.getRole() == pyatspi.ROLE_DIAL
             and node.name == words["Volume"] and node.description.endswith(words["decibels"])), None))

        # The mock receiver's scale runs from -80.5 dB; a fresh user's cap of -20 dB ends the range.
        value = volume.queryValue()
        check((value.minimumValue, value.maximumValue, value.minimumIncrement) == (-80.5, -20.0, 0.5),
              "Volume range %s..%s step %s" % (value.minimumValue, value.maximumValue, value.minimumIncrement))
        spoken = lambda dB: "%.1f%s" % (dB, words["decibels"])
        check(volume.description == spoken(value.currentValue),
              "Volume value %s read as %r" % (value.currentValue, volume.description))

        for role, name in ((pyatspi.ROLE_PANEL, words["Now playing"]),
                           (pyatspi.ROLE_PUSH_BUTTON, words["Previous track"]),
                           (pyatspi.ROLE_PUSH_BUTTON, words["Next track"]),
                           (pyatspi.ROLE_PUSH_BUTTON, words["Power off"]), (pyatspi.ROLE_DIAL, "Bass")):
            wait_for("a %s named %r" % (role, name), lambda role=role, name=name: find(window, role, name))

        # A switch is a check box with its state; toggling it through the screen reader reaches the receiver.
        enhancer = wait_for("the Enhancer switch", lambda: find(window, pyatspi.ROLE_CHECK_BOX, "Enhancer"))
        direct = wait_for("the Direct switch", lambda: find(window, pyatspi.ROLE_CHECK_BOX, "Direct"))
        check(enhancer.getState().contains(pyatspi.STATE_CHECKED), "Enhancer is on in the mock but not checked")
        check(not direct.getState().contains(pyatspi.STATE_CHECKED), "Direct is off in the mock but checked")
        actions = direct.queryAction()
        names = [actions.getName(index).lower() for index in range(actions.nActions)]
        check("toggle" in names, "Direct offers no toggle action, only %s" % names)
        actions.doAction(names.index("toggle"))
        wait_for("Direct to be checked", lambda: direct.getState().contains(pyatspi.STATE_CHECKED))

        # "Set value" turns the knob: the window then shows the new volume.
        target = -30.0 if value.currentValue != -30.0 else -31.0
        value.currentValue = target
        wait_for("the volume to read %.1f dB" % target,
                 lambda: volume.description == spoken(target) and value.currentValue == target)

        # What machines read stays English in every language.
        status, body = wait_for("the local API to answer", lambda: api_error(port))
        error = body.get("error", {})
        check(status == 401 and error.get("code") == "unauthorized"
              and error.get("message") == 'Missing or wrong token. Send "Authorization: Bearer <token>".',
              "the API answered %s %s" % (status, body))
        print("PASS (%s): Volume %s..%s set to %s; switches and names read; the API answers in English"
              % (language, value.minimumValue, value.maximumValue, target))
    except SystemExit:
        if app is not None:
            log.seek(0)
            sys.stdout.write(log.read()[-4000:])
        raise
    finally:
        for process in (app, launcher):
            if process is not None and process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
