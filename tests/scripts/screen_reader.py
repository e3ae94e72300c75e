"""Uses Korvid's window the way a screen reader does, over the accessibility
bus of the session in DBUS_SESSION_BUS_ADDRESS: finds the albums by their
names, fails on any showing button or slider without one, and plays an album
with the keyboard alone (Tab, an arrow, Enter). Prints what it found and
exits non-zero on the first thing a blind person could not do.

Usage: screen_reader.py ALBUM_NAME ALBUM_NAME...
"""
import sys
import time

import pyatspi

NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON: "button",
    pyatspi.ROLE_TOGGLE_BUTTON: "toggle button",
    pyatspi.ROLE_RADIO_BUTTON: "radio button",
    pyatspi.ROLE_CHECK_BOX: "check box",
    pyatspi.ROLE_PAGE_TAB: "tab",
    pyatspi.ROLE_SLIDER: "slider",
}
KEYS = {"Tab": 0xFF09, "Home": 0xFF50, "Right": 0xFF53, "Return": 0xFF0D}


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def korvid():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name.lower().startswith("korvid"):
            return app
    return None


def showing(accessible):
    """Every showing accessible under `accessible`, depth first."""
    try:
        states = accessible.getState()
    except Exception:
        return
    if not states.contains(pyatspi.STATE_SHOWING) and accessible.getRole() not in (
        pyatspi.ROLE_APPLICATION,
    ):
        return
    yield accessible
    for child in accessible:
        if child is not None:
            yield from showing(child)


def wait_for(what, predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = predicate()
        if found:
            return found
        time.sleep(0.25)
    fail("gave up waiting for " + what)


def focused(app):
    """The innermost focused accessible: a focus scope around it says it has focus too."""
    found = None
    for accessible in showing(app):
        if accessible.getState().contains(pyatspi.STATE_FOCUSED):
            found = accessible
    return found


def press(key):
    pyatspi.Registry.generateKeyboardEvent(KEYS[key], None, pyatspi.KEY_SYM)
    time.sleep(0.3)


def main():
    names = sys.argv[1:]
    app = wait_for("Korvid on the accessibility bus", korvid, 30)

    def album(name):
        return lambda: next((a for a in showing(app) if a.name == name), None)

    cell = wait_for("the album " + names[0], album(names[0]), 60)
    for name in names[1:]:
        wait_for("the album " + name, album(name), 10)
    print("found albums by name: %s (%s)" % (cell.name, cell.getRoleName()), flush=True)

    unnamed = [
        "%s in %s" % (NAMED_ROLES[a.getRole()], a.parent.name or a.parent.getRoleName())
        for a in showing(app)
        if a.getRole() in NAMED_ROLES and not a.name.strip()
    ]
    if unnamed:
        fail("controls without a name: " + ", ".join(unnamed))

    # The keyboard goes where the pointer is while no window manager runs.
    frame = next(a for a in app if a is not None)
    box = frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(box.x + box.width // 2, box.y + box.height - 5, "abs")
    time.sleep(0.3)
    path = []
    for _ in range(40):
        now = focused(app)
        path.append(now.name or now.getRoleName() if now is not None else "nothing")
        if now is not None and now.name in names:
            break
        press("Tab")
    else:
        fail("Tab never reached an album, only: " + " > ".join(path))
    print("Tab went: " + " > ".join(path), flush=True)
    press("Home")
    start = focused(app)
    press("Right")
    moved = focused(app)
    if start is None or moved is None or moved.name == start.name or moved.name not in names:
        fail("Home and the arrow key went from %r to %r" % (start and start.name, moved and moved.name))
    print("keyboard focus: %s, then %s" % (start.name, moved.name), flush=True)
    press("Return")
    print("played: " + moved.name, flush=True)


if __name__ == "__main__":
    main()
